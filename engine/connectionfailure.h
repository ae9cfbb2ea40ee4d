#pragma once

#include <QString>

// The common reasons a connection to the database server fails (refused,
// timeout, unknown host, password wrong or missing, database or role
// missing), said in German with what to do. The driver's own text, as
// libpq wrote it, is returned unchanged when it is none of them; it belongs
// in the program history and on stderr either way.
QString connectionFailureInGerman(const QString &driverText);

// Which of the common reasons it is, for callers that act on it.
enum class ConnectionFailure {
    Refused,
    Timeout,
    HostUnknown,
    PasswordWrong,
    PasswordMissing,
    DatabaseMissing,
    RoleMissing,
    NotAllowed,
    Other
};
ConnectionFailure connectionFailureKind(const QString &driverText);
