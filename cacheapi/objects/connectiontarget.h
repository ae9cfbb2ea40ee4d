#pragma once

#include <QString>
#include <optional>

// Where a connection string points: "cn_iptcp:host[port]:NAMESPACE".
struct ConnectionTarget
{
    QString host;
    int port = 0;
    QString nameSpace;
    // The PostgreSQL role to log in as; empty: the libpq way (PGUSER, the login name).
    QString user = QString();

    // The database that holds the namespace: its name in lower case.
    QString databaseName() const { return nameSpace.toLower(); }
};

// Empty when the string is malformed: wrong prefix, empty host, a port that is
// not a number from 1 to 65535, or a namespace that is not a plain name.
std::optional<ConnectionTarget> parseConnectionString(const QString &connectionString);
