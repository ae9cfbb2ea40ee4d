#include "engine/databaseadmin.h"

#include "engine/engineerrors.h"
#include "engine/postgrestarget.h"
#include "engine/session.h"

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
        setPostgresTarget(db, target, QStringLiteral("postgres"));
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
    // A database that libpq names (PGDATABASE, a service) is made by the server's administrator.
    if (kind == EngineKind::Postgres && !target.databaseFromLibpq &&
        createPostgresDatabase(target, error) &&
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

bool DatabaseAdmin::grantWorkstation(Session &session, const QString &role)
{
    if (session.kind() != EngineKind::Postgres)
        EngineError::raise(EngineError::InvalidValue,
                           QStringLiteral("Rollen gibt es nur auf einem PostgreSQL-Server"));
    if (!session.ownsTables())
        EngineError::raise(
            EngineError::InvalidValue,
            QStringLiteral("Rechte vergibt nur die Eigentümerrolle der Tabellen (PGUSER)"));
    const QVariant mightOwn = session.firstValue(
        QStringLiteral(
            "SELECT r.rolsuper OR pg_has_role(r.oid, c.relowner, 'USAGE') FROM pg_roles r,"
            " pg_class c WHERE r.rolname = ? AND c.relname = 'globale'"
            " AND c.relnamespace = 'public'::regnamespace"),
        {role});
    const QString grantee = quotedIdentifier(role);
    const QString creation = QStringLiteral("CREATE ROLE %1 LOGIN NOINHERIT CONNECTION LIMIT %2")
                                 .arg(grantee)
                                 .arg(workstationRoleConnections);
    const bool missing = !mightOwn.isValid();
    if (missing &&
        !session.firstValue(QStringLiteral("SELECT rolsuper OR rolcreaterole FROM pg_roles WHERE rolname = current_user"))
             .toBool())
        EngineError::raise(EngineError::InvalidValue,
                           QStringLiteral("Die Rolle \"%1\" gibt es auf dem Server nicht, und diese Rolle darf "
                                          "keine anlegen; ein Administrator legt sie an mit: sudo -u postgres "
                                          "psql -c '%2'")
                               .arg(role.left(60), creation));
    if (mightOwn.toBool())
        EngineError::raise(
            EngineError::InvalidValue,
            QStringLiteral("Die Rolle \"%1\" hat die Rechte der Eigentümerrolle oder "
                           "ist Superuser; ein Arbeitsplatz braucht eine eigene Rolle")
                .arg(role.left(60)));
    session.transaction([&] {
        if (missing)
            session.exec(creation);
        const QString database = quotedIdentifier(session.target().databaseName());
        // A database restored from a dump is new: the server gives everybody CONNECT and
        // TEMPORARY on it again, and a dump does not carry a database's own rights.
        session.exec(QStringLiteral("REVOKE ALL ON DATABASE %1 FROM PUBLIC").arg(database));
        session.exec(QStringLiteral("GRANT CONNECT ON DATABASE %1 TO %2").arg(database, grantee));
        session.exec(QStringLiteral("GRANT USAGE ON SCHEMA arbeitsplatz TO %1").arg(grantee));
        session.exec(QStringLiteral("GRANT EXECUTE ON ALL FUNCTIONS IN SCHEMA arbeitsplatz TO %1")
                         .arg(grantee));
        session.exec(
            QStringLiteral(
                "ALTER DEFAULT PRIVILEGES IN SCHEMA arbeitsplatz GRANT EXECUTE ON FUNCTIONS TO %1")
                .arg(grantee));
    });
    return missing;
}
