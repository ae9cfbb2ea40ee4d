#include "session.h"

#include "engineerrors.h"
#include "schema.h"

#include <QDir>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlRecord>
#include <atomic>

namespace {
bool prepareAndRun(QSqlQuery &query, const QString &sql, const QVariantList &values)
{
    if (!query.prepare(sql))
        return false;
    for (const QVariant &value : values)
        query.addBindValue(value);
    return query.exec();
}

QString newConnectionName()
{
    static std::atomic<int> counter{0};
    return QStringLiteral("karven-engine-%1").arg(++counter);
}
} // namespace

Session::Session(EngineKind kind, ConnectionTarget target)
    : kind_(kind), target_(std::move(target)), connectionName_(newConnectionName())
{
}

Session::~Session()
{
    close();
}

bool Session::open()
{
    QSqlDatabase db;
    if (kind_ == EngineKind::Sqlite) {
        const QString folder = engineDataDirectory();
        if (!QDir().mkpath(folder)) {
            lastError_ = QStringLiteral("Datenordner %1 kann nicht angelegt werden").arg(folder);
            return false;
        }
        db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connectionName_);
        db.setDatabaseName(embeddedDatabaseFile(target_));
        // Several programs may use one file: wait for a writer instead of failing.
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
    } else {
        db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), connectionName_);
        db.setHostName(target_.host);
        db.setPort(target_.port);
        db.setDatabaseName(target_.databaseName());
        // User and password come the libpq way (PGUSER, PGPASSWORD, ~/.pgpass).
        db.setConnectOptions(postgresConnectOptions());
    }
    if (!db.open()) {
        lastError_ = db.lastError().text();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(connectionName_);
        return false;
    }
    // Released before anything below can close the connection again.
    db = QSqlDatabase();
    open_ = true;
    try {
        if (kind_ == EngineKind::Sqlite)
            exec(QStringLiteral("PRAGMA journal_mode=WAL"));
        // The schema is made in one transaction: one of its tables stands for all.
        if (!tables().contains(QStringLiteral("globale")))
            transaction([this] { createSchema(*this); });
        else
            upgradeSchema(*this);
    } catch (const CacheError &error) {
        lastError_ = error.description();
        close();
        return false;
    }
    return true;
}

void Session::close()
{
    if (!QSqlDatabase::contains(connectionName_))
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(connectionName_, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(connectionName_);
    open_ = false;
}

QSqlQuery Session::exec(const QString &sql, const QVariantList &values)
{
    if (!open_)
        EngineError::notConnected();
    QSqlQuery query(QSqlDatabase::database(connectionName_, false));
    query.setForwardOnly(true);
    // PostgreSQL prepares only queries and data changes; statements without
    // values (the schema's) run as they stand.
    const bool ran = values.isEmpty() ? query.exec(sql) : prepareAndRun(query, sql, values);
    if (!ran)
        fail(sql, query.lastError().text());
    return query;
}

QStringList Session::columns(const QString &table) const
{
    const QSqlRecord record = QSqlDatabase::database(connectionName_, false).record(table);
    QStringList names;
    for (int i = 0; i < record.count(); ++i)
        names << record.fieldName(i).toLower();
    return names;
}

QStringList Session::tables() const
{
    return QSqlDatabase::database(connectionName_, false).tables();
}

QVariant Session::firstValue(const QString &sql, const QVariantList &values)
{
    QSqlQuery query = exec(sql, values);
    return query.next() ? query.value(0) : QVariant();
}

void Session::transaction(const std::function<void()> &work)
{
    // SQLite takes the write lock at once: a transaction that only upgrades
    // later would fail at once when another workstation writes meanwhile.
    exec(kind_ == EngineKind::Sqlite ? QStringLiteral("BEGIN IMMEDIATE") : QStringLiteral("BEGIN"));
    inTransaction_ = true;
    try {
        work();
        inTransaction_ = false;
        exec(QStringLiteral("COMMIT"));
    } catch (...) {
        inTransaction_ = false;
        if (open_)
            QSqlQuery(QSqlDatabase::database(connectionName_, false)).exec(QStringLiteral("ROLLBACK"));
        throw;
    }
}

bool Session::isAlive()
{
    // A PostgreSQL server that restarted leaves the connection looking open
    // until a statement fails; ask it, so that the next access reconnects.
    if (open_ && kind_ == EngineKind::Postgres && !stillReachable())
        close();
    return open_;
}

bool Session::stillReachable()
{
    QSqlQuery probe(QSqlDatabase::database(connectionName_, false));
    return probe.exec(QStringLiteral("SELECT 1"));
}

void Session::fail(const QString &what, const QString &databaseMessage)
{
    // A statement can fail on its own or because the server went away; only
    // the second must make the client reconnect. A failed transaction refuses
    // every further statement, so end it before probing.
    if (inTransaction_)
        QSqlQuery(QSqlDatabase::database(connectionName_, false)).exec(QStringLiteral("ROLLBACK"));
    if (!stillReachable()) {
        close();
        EngineError::raise(EngineError::NotConnected,
                           QStringLiteral("Verbindung zum Server verloren: %1")
                               .arg(databaseMessage.trimmed()));
    }
    EngineError::raise(EngineError::DatabaseFailure,
                       QStringLiteral("Datenbankfehler: %1 (%2)")
                           .arg(databaseMessage.trimmed(), what.simplified().left(200)));
}
