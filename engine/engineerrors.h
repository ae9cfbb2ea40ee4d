#pragma once

// Every error the engine raises, with its stable number. docs/errors.md lists
// them for administrators; keep the two in step.

#include "cacheapi/objects/cacheerror.h"
#include "cacheapi/objects/servererrors.h"

namespace EngineError {

enum Number : qint32 {
    NotConnected = 5001,       // no open connection, or it was lost
    DatabaseFailure = 5002,    // the SQL database refused a statement
    UnknownClass = ServerError::UnknownClass, // class name not known to the server
    UnknownMember = 5102,      // property or method not known to the class
    UnknownQuery = ServerError::UnknownQuery, // query not known to the class
    ObjectNotFound = 5104,     // no object with that id
    WrongArguments = 5105,     // a method or query got the wrong number of values
    InvalidValue = 5106,       // a value does not fit the property or argument
    NoCurrentRow = 5107,       // result set read before execute or past its end
    InvalidColumn = 5108,      // column number outside the query's columns
    CommandSyntax = 5201,      // server command outside the understood language
    UndefinedVariable = 5202,  // a command read a variable or global that has no value
    UnknownRoutine = 5203,     // "D ^routine" names no routine of the server
    AssignmentRefused = ServerError::AssignmentRefused, // "setkarte" cannot assign the card
    CardHolderChanged = ServerError::CardHolderChanged, // the card's holder is not the one the caller saw
    CorrectionNotAllowed = ServerError::CorrectionNotAllowed, // the user may not correct assignments
    NotLoggedIn = 5304,        // a change, or a read of a company's data, before a login
    LoginLocked = 5305,        // too many failed logins from this address in a short time
    ServerEntryRefused = ServerError::ServerEntryRefused, // a server entry no workstation could use, or not the user's
};

[[noreturn]] inline void raise(Number number, const QString &description)
{
    throw CacheError(number, description);
}

// The error of a call on a connection that is closed or was never opened.
[[noreturn]] inline void notConnected()
{
    raise(NotConnected, QStringLiteral("Keine Verbindung zum Server"));
}

} // namespace EngineError
