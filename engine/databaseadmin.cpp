#include "databaseadmin.h"

#include "session.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

namespace {

bool bindAndRun(QSqlQuery &query, const QVariantList &values)
{
    for (const QVariant &value : values)
        query.addBindValue(value);
    return query.exec();
}

// Runs one statement, with bound values, on the server's maintenance database
// "postgres". Returns whether it ran; *rows receives how many rows it gave.
bool runOnMaintenanceDatabase(const ConnectionTarget &target, const QString &sql,
                              const QVariantList &values, QString *error, int *rows = nullptr)
{
    const QString connectionName = QStringLiteral("karven-admin-maintenance");
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), connectionName);
        db.setHostName(target.host);
        db.setPort(target.port);
        db.setDatabaseName(QStringLiteral("postgres"));
        db.setConnectOptions(postgresConnectOptions());
        if (db.open()) {
            QSqlQuery query(db);
            ok = values.isEmpty() ? query.exec(sql) : query.prepare(sql) && bindAndRun(query, values);
            if (!ok && error)
                *error = query.lastError().text();
            if (ok && rows)
                for (*rows = 0; query.next();)
                    ++*rows;
        } else if (error) {
            *error = db.lastError().text();
        }
    }
    QSqlDatabase::removeDatabase(connectionName);
    return ok;
}

// A database name is an identifier, not a value that can be bound.
QString quotedIdentifier(const QString &name)
{
    QString quoted = name;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

bool createPostgresDatabase(const ConnectionTarget &target, QString *error)
{
    int rows = 0;
    if (!runOnMaintenanceDatabase(target,
                                  QStringLiteral("SELECT 1 FROM pg_database WHERE datname = ?"),
                                  {target.databaseName()}, error, &rows))
        return false;
    return rows > 0 ||
           runOnMaintenanceDatabase(
               target,
               QStringLiteral("CREATE DATABASE %1").arg(quotedIdentifier(target.databaseName())), {},
               error);
}

} // namespace

bool DatabaseAdmin::create(EngineKind kind, const ConnectionTarget &target, QString *error)
{
    // A site's role may reach its own database only; the server's maintenance
    // database is asked only when the database is not there yet.
    Session session(kind, target);
    if (session.open(Session::SchemaCreation::AlsoInEmptyFile))
        return true;
    if (kind == EngineKind::Postgres && createPostgresDatabase(target, error) &&
        session.open(Session::SchemaCreation::AlsoInEmptyFile))
        return true;
    if (error && (kind == EngineKind::Sqlite || error->isEmpty()))
        *error = session.lastError();
    return false;
}

bool DatabaseAdmin::drop(EngineKind kind, const ConnectionTarget &target, QString *error)
{
    if (kind == EngineKind::Sqlite) {
        const QString file = embeddedDatabaseFile(target);
        for (const QString &suffix : {QString(), QStringLiteral("-wal"), QStringLiteral("-shm")})
            QFile::remove(file + suffix);
        if (QFile::exists(file)) {
            if (error)
                *error = QStringLiteral("%1 kann nicht gelöscht werden").arg(file);
            return false;
        }
        return true;
    }
    return runOnMaintenanceDatabase(
        target,
        QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)")
            .arg(quotedIdentifier(target.databaseName())),
        {}, error);
}
