#include "engine/postgrestarget.h"

#include "engine/engineconfig.h"

#include <QSqlDatabase>
#include <QSqlDriver>
#include <QVariant>
#include <libpq-fe.h>

void setPostgresTarget(QSqlDatabase &db, const ConnectionTarget &target, const QString &database)
{
    if (!target.host.isEmpty())
        db.setHostName(target.host);
    if (target.port > 0)
        db.setPort(target.port);
    if (!target.databaseFromLibpq || database != target.databaseName())
        db.setDatabaseName(database);
    db.setUserName(target.user);
    db.setConnectOptions(postgresConnectOptions());
}

PGconn *libpqConnection(const QSqlDatabase &db)
{
    const QVariant handle = db.driver()->handle();
    // Qt's driver hands out its PGconn, registered under libpq's struct name.
    if (qstrcmp(handle.typeName(), "pg_conn*") != 0 && qstrcmp(handle.typeName(), "PGconn*") != 0)
        return nullptr;
    return *static_cast<PGconn *const *>(handle.constData());
}

ConnectionTarget connectedPostgresTarget(const QSqlDatabase &db, ConnectionTarget target)
{
    PGconn *connection = libpqConnection(db);
    if (!connection)
        return target;
    if (target.host.isEmpty())
        target.host = QString::fromLocal8Bit(PQhost(connection));
    if (target.port <= 0)
        target.port = QString::fromLatin1(PQport(connection)).toInt();
    if (target.databaseFromLibpq) {
        target.nameSpace = QString::fromUtf8(PQdb(connection)).toUpper();
        target.databaseFromLibpq = false;
    }
    return target;
}
