#pragma once

#include "cacheapi/objects/cacheobjects.h"

class Session;

// Logs a user in on the session's database. On PostgreSQL the server checks
// and keeps the login for its connection; on SQLite the session keeps it.
// Throws CacheError for an unknown user and for a login refused because of
// too many failures.
LoginAnswer logInOnSession(Session &session, const LoginRequest &request);

// A derived password (PasswordSecret) as the database keeps it: on PostgreSQL
// keyed once more by the server, on SQLite as it is. For the owner's tools,
// to tell whether a password they would write is the one kept.
QString passwordAsKept(Session &session, const QString &secret);
