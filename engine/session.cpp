#include "engine/session.h"

#include "cacheapi/objects/companynumber.h"
#include "engine/embeddedfile.h"
#include "engine/engineerrors.h"
#include "engine/postgrestarget.h"
#include "engine/schema.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlRecord>
#include <atomic>
#include <libpq-fe.h>
#include <memory>
#include <vector>

namespace {
bool prepareAndRun(QSqlQuery &query, const QString &sql, const QVariantList &values)
{
    if (!query.prepare(sql))
        return false;
    for (const QVariant &value : values)
        query.addBindValue(value);
    return query.exec();
}

// The server-side functions refuse with SQLSTATE "K" + the engine's error
// number; such a refusal is the engine's error, with the function's message.
void raiseServerFunctionError(const QSqlError &error)
{
    static const QRegularExpression engineCode(QStringLiteral("^K([0-9]{4})$"));
    const QRegularExpressionMatch code = engineCode.match(error.nativeErrorCode());
    if (!code.hasMatch())
        return;
    // libpq puts the severity before the message and context lines after it.
    const QString message = error.databaseText().section(QLatin1Char('\n'), 0, 0);
    const qsizetype severityEnd = message.indexOf(QStringLiteral(":  "));
    throw CacheError(code.captured(1).toInt(),
                     severityEnd < 0 ? message : message.mid(severityEnd + 3));
}

QString newConnectionName()
{
    static std::atomic<int> counter{0};
    return QStringLiteral("karven-engine-%1").arg(++counter);
}
} // namespace

Session::Session(EngineKind kind, ConnectionTarget target)
    : kind_(kind), target_(std::move(target)), connectionName_(newConnectionName())
{}

Session::Session(const QString &sqliteFile)
    : kind_(EngineKind::Sqlite), file_(sqliteFile), connectionName_(newConnectionName())
{
}

QString Session::sqliteFile() const
{
    return file_.isEmpty() ? embeddedDatabaseFile(target_) : file_;
}

Session::~Session()
{
    close();
}

bool Session::open(SchemaCreation creation)
{
    QSqlDatabase db;
    bool mayCreateSchema = creation != SchemaCreation::Never;
    if (kind_ == EngineKind::Sqlite) {
        const QString folder =
            file_.isEmpty() ? engineDataDirectory() : QFileInfo(file_).absolutePath();
        if (!QDir().mkpath(folder)) {
            lastError_ = QStringLiteral("Datenordner %1 kann nicht angelegt werden").arg(folder);
            return false;
        }
        const EmbeddedFile file =
            inspectEmbeddedFile(sqliteFile(), creation == SchemaCreation::AlsoInEmptyFile);
        if (!file.refusal.isEmpty()) {
            lastError_ = file.refusal;
            return false;
        }
        mayCreateSchema = mayCreateSchema &&
                          (!file.exists || creation == SchemaCreation::AlsoInEmptyFile);
        readOnly_ = file.readOnly;
        db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connectionName_);
        db.setDatabaseName(file.databaseName());
        db.setConnectOptions(file.connectOptions());
    } else {
        // A server database is made empty by "karven-admin create"; the schema follows here.
        db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), connectionName_);
        // User and password come the libpq way (PGUSER, PGPASSWORD, ~/.pgpass),
        // and so do what the target leaves open.
        setPostgresTarget(db, target_, target_.databaseName());
    }
    if (!db.open()) {
        lastError_ = db.lastError().text().simplified();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(connectionName_);
        return false;
    }
    if (kind_ == EngineKind::Postgres)
        target_ = connectedPostgresTarget(db, target_);
    // Released before anything below can close the connection again.
    db = QSqlDatabase();
    open_ = true;
    try {
        prepareSchema(mayCreateSchema);
    } catch (const CacheError &error) {
        lastError_ = error.description();
        close();
        return false;
    }
    return true;
}

QString Session::location() const
{
    if (kind_ == EngineKind::Sqlite)
        return sqliteFile();
    return target_.postgresLocation();
}

void Session::prepareSchema(bool mayCreate)
{
    // The catalogue is read before anything is written: a file that is no
    // SQLite database, or a damaged one, is refused here untouched.
    QStringList present;
    try {
        present = tables();
        if (kind_ == EngineKind::Sqlite)
            firstValue(QStringLiteral("SELECT count(*) FROM sqlite_master"));
    } catch (const CacheError &error) {
        refuseAsNotKarven(error.description());
    }
    const bool isKarven = present.contains(karvenMarkerTable);
    ownsTables_ = !isKarven || connectedRoleOwnsTables();
    if (!isKarven && (!mayCreate || !present.isEmpty()))
        refuseAsNotKarven(present.isEmpty()
                              ? QStringLiteral("sie enthält keine Tabellen")
                              : QStringLiteral("die Tabelle %1 fehlt").arg(karvenMarkerTable));
    if (kind_ == EngineKind::Sqlite && !readOnly_)
        exec(QStringLiteral("PRAGMA journal_mode=WAL"));
    if (isKarven)
        upgradeSchema(*this);
    else
        // One of its tables stands for the schema; a second program starting
        // at the same moment finds it made once the write lock is its turn.
        transaction([this] {
            if (!tables().contains(karvenMarkerTable))
                createSchema(*this);
        });
}

bool Session::connectedRoleOwnsTables()
{
    if (kind_ != EngineKind::Postgres)
        return true;
    // Read from the catalogue: a workstation's role may not even look at the tables.
    return firstValue(QStringLiteral("SELECT pg_has_role(c.relowner, 'USAGE') FROM pg_class c"
                                     " JOIN pg_namespace n ON n.oid = c.relnamespace"
                                     " WHERE n.nspname = 'public' AND c.relname = 'globale'"))
        .toBool();
}

void Session::refuseAsNotKarven(const QString &reason)
{
    EngineError::raise(EngineError::DatabaseFailure,
                       QStringLiteral("%1 ist keine KARVEN-Datenbank (%2); sie bleibt unverändert")
                           .arg(location(), reason));
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
    if (!ran) {
        const QSqlError error = query.lastError();
        // Let go of the statement first: failing may close the connection, and
        // Qt warns about a connection removed while a query still holds it.
        query = QSqlQuery();
        fail(sql, error);
    }
    return query;
}

QVector<QVariantList> Session::execPrivately(const QString &sql, const QVariantList &values)
{
    if (!open_)
        EngineError::notConnected();
    if (kind_ == EngineKind::Postgres)
        return execOutOfBand(sql, values);
    QSqlQuery query = exec(sql, values);
    QVector<QVariantList> rows;
    const int columns = query.record().count();
    while (query.next()) {
        QVariantList row;
        for (int i = 0; i < columns; ++i)
            row << query.value(i);
        rows << row;
    }
    return rows;
}

// Qt's driver writes bound values into the statement's text; libpq's own call
// sends them as parameters of their own.
QVector<QVariantList> Session::execOutOfBand(const QString &sql, const QVariantList &values)
{
    PGconn *connection = libpqConnection(QSqlDatabase::database(connectionName_, false));
    if (!connection)
        EngineError::notConnected();
    QString numbered;
    int number = 0;
    for (const QChar c : sql)
        numbered += c == QLatin1Char('?') ? QStringLiteral("$%1").arg(++number) : QString(c);
    std::vector<QByteArray> texts;
    std::vector<const char *> pointers;
    texts.reserve(values.size());
    for (const QVariant &value : values) {
        // Bytes are taken as they are: large values made ready as UTF-8 beforehand.
        texts.push_back(value.isNull()                              ? QByteArray()
                        : value.typeId() == QMetaType::QByteArray ? value.toByteArray()
                                                                  : value.toString().toUtf8());
        pointers.push_back(value.isNull() ? nullptr : texts.back().constData());
    }
    const std::unique_ptr<PGresult, decltype(&PQclear)> result(
        PQexecParams(connection, numbered.toUtf8().constData(), int(pointers.size()), nullptr,
                     pointers.data(), nullptr, nullptr, 0),
        &PQclear);
    const ExecStatusType status = result ? PQresultStatus(result.get()) : PGRES_FATAL_ERROR;
    if (status != PGRES_TUPLES_OK && status != PGRES_COMMAND_OK) {
        const char *state = result ? PQresultErrorField(result.get(), PG_DIAG_SQLSTATE) : nullptr;
        const QString message = QString::fromUtf8(result ? PQresultErrorMessage(result.get())
                                                         : PQerrorMessage(connection));
        fail(sql, QSqlError(QString(), message, QSqlError::StatementError,
                            QString::fromLatin1(state ? state : "")));
    }
    QVector<QVariantList> rows;
    for (int row = 0; row < PQntuples(result.get()); ++row) {
        QVariantList columns;
        for (int column = 0; column < PQnfields(result.get()); ++column)
            columns << (PQgetisnull(result.get(), row, column)
                            ? QVariant()
                            : QVariant(QString::fromUtf8(PQgetvalue(result.get(), row, column))));
        rows << columns;
    }
    return rows;
}

void Session::execScript(const QString &sql)
{
    if (!open_)
        EngineError::notConnected();
    QSqlQuery script(QSqlDatabase::database(connectionName_, false));
    // Not forward only: the driver then hands the whole text to the server in one go.
    if (!script.exec(sql)) {
        const QSqlError error = script.lastError();
        script = QSqlQuery();
        fail(sql.left(200), error);
    }
}

QSqlQuery Session::prepare(const QString &sql)
{
    if (!open_)
        EngineError::notConnected();
    QSqlQuery statement(QSqlDatabase::database(connectionName_, false));
    statement.setForwardOnly(true);
    if (!statement.prepare(sql)) {
        const QSqlError error = statement.lastError();
        statement = QSqlQuery();
        fail(sql, error);
    }
    return statement;
}

void Session::run(QSqlQuery &statement, const QVariantList &values)
{
    if (!open_)
        EngineError::notConnected();
    for (int i = 0; i < values.size(); ++i)
        statement.bindValue(i, values.at(i));
    if (!statement.exec()) {
        const QSqlError error = statement.lastError();
        const QString sql = statement.lastQuery();
        statement.finish();
        fail(sql, error);
    }
}

void Session::renewStatistics(const QStringList &tables)
{
    // VACUUM as well: rows deleted in bulk would otherwise still be read by
    // every scan until the autovacuum comes round, and the statistics would
    // count a table of dead rows as empty.
    if (kind_ == EngineKind::Postgres)
        exec(QStringLiteral("VACUUM (ANALYZE) ") + tables.join(QStringLiteral(", ")));
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

QVariant Session::contextCompany() const
{
    const auto company = variables_.constFind(QStringLiteral("FIRMA"));
    return company == variables_.cend() ? QVariant() : QVariant(canonicalCompany(*company));
}

QVariant Session::firstValue(const QString &sql, const QVariantList &values)
{
    QSqlQuery query = exec(sql, values);
    return query.next() ? query.value(0) : QVariant();
}

void Session::transaction(const std::function<void()> &work)
{
    // Inside a running transaction the work is part of it, and all of it or
    // nothing as well: a caller that goes on after a refusal (an import that
    // reports the line and reads the next) keeps nothing of the refused work,
    // and PostgreSQL goes on accepting statements.
    if (inTransaction_) {
        exec(QStringLiteral("SAVEPOINT teil"));
        try {
            work();
        } catch (...) {
            try {
                exec(QStringLiteral("ROLLBACK TO SAVEPOINT teil"));
            } catch (const CacheError &) {
                // The connection is gone; the error that counts is the first one.
            }
            throw;
        }
        exec(QStringLiteral("RELEASE SAVEPOINT teil"));
        return;
    }
    // SQLite takes the write lock at once: a transaction that only upgrades
    // later would fail at once when another workstation writes meanwhile.
    exec(kind_ == EngineKind::Sqlite ? QStringLiteral("BEGIN IMMEDIATE") : QStringLiteral("BEGIN"));
    inTransaction_ = true;
    try {
        work();
        // A failed COMMIT ends a PostgreSQL transaction, while SQLite's may
        // stay open (a busy or full disk) and must still be rolled back.
        inTransaction_ = kind_ == EngineKind::Sqlite;
        exec(QStringLiteral("COMMIT"));
        inTransaction_ = false;
    } catch (...) {
        rollback();
        throw;
    }
}

void Session::rollback()
{
    // Only once: a ROLLBACK outside a transaction makes PostgreSQL warn on the terminal.
    if (inTransaction_ && open_)
        QSqlQuery(QSqlDatabase::database(connectionName_, false)).exec(QStringLiteral("ROLLBACK"));
    inTransaction_ = false;
}

bool Session::listen(const QString &channel,
                     const std::function<void(const QString &payload)> &onNotification)
{
    if (!open_ || kind_ != EngineKind::Postgres)
        return false;
    QSqlDriver *driver = QSqlDatabase::database(connectionName_, false).driver();
    QObject::disconnect(driver, &QSqlDriver::notification, nullptr, nullptr);
    const bool subscribed = driver->subscribedToNotifications().contains(channel);
    if (!onNotification)
        return !subscribed || driver->unsubscribeFromNotification(channel);
    if (!subscribed && !driver->subscribeToNotification(channel))
        return false;
    // The driver goes with the connection, and the callback with it.
    QObject::connect(driver, &QSqlDriver::notification, driver,
                     [channel, onNotification](const QString &name, QSqlDriver::NotificationSource,
                                               const QVariant &payload) {
                         if (name == channel)
                             onNotification(payload.toString());
                     });
    return true;
}

bool Session::stillListening() const
{
    if (!open_ || kind_ != EngineKind::Postgres)
        return false;
    const PGconn *connection = libpqConnection(QSqlDatabase::database(connectionName_, false));
    return connection && PQstatus(connection) == CONNECTION_OK;
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

void Session::fail(const QString &what, const QSqlError &error)
{
    const QString databaseMessage =
        (error.databaseText().isEmpty() ? error.text() : error.databaseText()).simplified();
    // A statement can fail on its own or because the server went away; only
    // the second must make the client reconnect. A failed transaction refuses
    // every further statement, so end it before probing.
    rollback();
    if (kind_ == EngineKind::Postgres)
        raiseServerFunctionError(error);
    if (kind_ == EngineKind::Sqlite) {
        // SQLite's primary result codes, also in the low byte of the extended ones.
        constexpr int readOnlyDatabase = 8;
        constexpr int diskFull = 13;
        const int code = error.nativeErrorCode().toInt() & 0xff;
        if (code == readOnlyDatabase)
            EngineError::raise(EngineError::DatabaseFailure,
                               QStringLiteral("Die Datenbank %1 ist schreibgeschützt; nichts "
                                              "gespeichert (%2)")
                                   .arg(location(), databaseMessage));
        if (code == diskFull)
            EngineError::raise(EngineError::DatabaseFailure,
                               QStringLiteral("Kein Platz mehr für die Datenbank %1, der "
                                              "Datenträger ist voll; nichts gespeichert (%2)")
                                   .arg(location(), databaseMessage));
    }
    if (!stillReachable()) {
        close();
        EngineError::raise(
            EngineError::NotConnected,
            QStringLiteral("Verbindung zum Server verloren: %1").arg(databaseMessage));
    }
    EngineError::raise(EngineError::DatabaseFailure,
                       QStringLiteral("Datenbankfehler: %1 (%2)")
                           .arg(databaseMessage, what.simplified().left(200)));
}
