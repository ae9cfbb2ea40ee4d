#pragma once

#include <QString>
#include <optional>

// Where a connection string points: "cn_iptcp:host[port]:NAMESPACE".
// On PostgreSQL an empty host, port 0 and databaseFromLibpq leave those to
// libpq (PGHOST, PGPORT, PGDATABASE, PGSERVICE), for karven-admin and the
// clock service; the program always names all three.
struct ConnectionTarget
{
    QString host;
    int port = 0;
    QString nameSpace;
    // The PostgreSQL role to log in as; empty: the libpq way (PGUSER, the login name).
    QString user = QString();
    bool databaseFromLibpq = false;

    // The database that holds the namespace: its name in lower case.
    QString databaseName() const { return nameSpace.toLower(); }
    // "PostgreSQL-Datenbank karven auf db.filiale:5432", with what libpq decides named by its source.
    QString postgresLocation() const;
};

// Empty when the string is malformed: wrong prefix, empty host, a port that is
// not a number from 1 to 65535, or a namespace that is not a plain name.
std::optional<ConnectionTarget> parseConnectionString(const QString &connectionString);
