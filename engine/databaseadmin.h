#pragma once

#include "cacheapi/objects/connectiontarget.h"
#include "engine/engineconfig.h"

#include <QString>

class Session;

// Creating and removing a namespace's database, for administrators and tests.
// The program itself only ever connects to an existing server.
namespace DatabaseAdmin {

// Creates the database if it is missing, with its schema; an empty file takes
// the schema too. Any other file stays as it is. False with a reason on failure.
bool create(EngineKind kind, const ConnectionTarget &target, QString *error);
// Removes the database with all its data. False with a reason on failure.
bool drop(EngineKind kind, const ConnectionTarget &target, QString *error);

// Lets a PostgreSQL role do what a workstation does: connect to the
// session's database and execute the functions of schema arbeitsplatz, also
// those a later version adds; nothing else. Runs on the owner's session.
// Throws CacheError saying why, e.g. for the owner's own role or a superuser.
// A role that does not exist yet is made where the connected role may make
// roles: one that logs in, with no password yet and at most
// workstationRoleConnections connections, so that a role per branch limits
// what a leaked password or a runaway branch can take; true when it was made.
constexpr int workstationRoleConnections = 20;
bool grantWorkstation(Session &session, const QString &role);

} // namespace DatabaseAdmin
