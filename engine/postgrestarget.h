#pragma once

#include "cacheapi/objects/connectiontarget.h"

class QSqlDatabase;
typedef struct pg_conn PGconn;

// Points a Qt PostgreSQL connection at the target; what the target leaves
// open (empty host, port 0, databaseFromLibpq) stays libpq's to decide.
// database: the one to open unless libpq decides it.
void setPostgresTarget(QSqlDatabase &db, const ConnectionTarget &target, const QString &database);

// The target as libpq actually connected it: host, port and database that
// came from the environment or a service file filled in.
ConnectionTarget connectedPostgresTarget(const QSqlDatabase &db, ConnectionTarget target);

// libpq's own connection under a Qt PostgreSQL connection; null when there is none.
PGconn *libpqConnection(const QSqlDatabase &db);
