#include "databasebackup.h"

#include "admindatabase.h"
#include "databaseadmin.h"
#include "session.h"
#include "sqlitefile.h"

#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QSqlError>
#include <QSqlQuery>
#include <sqlite3.h>

namespace {

bool refusedForPostgres(const AdminOptions &options, QTextStream &err)
{
    if (options.engine != EngineKind::Postgres)
        return false;
    err << "karven-admin " << options.command
        << " gilt nur für die eingebettete SQLite-Datenbank. Eine PostgreSQL-Datenbank wird mit "
           "pg_dump gesichert und mit pg_restore oder psql wiederhergestellt.\n";
    return true;
}

bool sameFile(const QString &one, const QString &other)
{
    const QString canonical = QFileInfo(one).canonicalFilePath();
    return !canonical.isEmpty() && canonical == QFileInfo(other).canonicalFilePath();
}

bool openBoth(SqliteFile &one, SqliteFile &other, QTextStream &err)
{
    for (SqliteFile *file : {&one, &other}) {
        if (!file->open()) {
            err << "Datei " << file->path()
                << " kann nicht geöffnet werden: " << oneLine(file->lastError()) << '\n';
            return false;
        }
    }
    return true;
}

// Copies every page in one step: SQLite reads one consistent state of `from`
// (in WAL mode without holding up its writers) and replaces the contents of
// `to` in one transaction, so that readers of `to` see all of it or nothing.
bool copyDatabase(const SqliteFile &from, const SqliteFile &to, QString *error)
{
    sqlite3_backup *backup = sqlite3_backup_init(to.handle(), "main", from.handle(), "main");
    if (!backup) {
        *error = QString::fromUtf8(sqlite3_errmsg(to.handle()));
        return false;
    }
    int result = SQLITE_OK;
    // Each step already waits out the busy timeout; a few more tries outlast a long writer.
    for (int attempt = 0; attempt < 5; ++attempt) {
        result = sqlite3_backup_step(backup, -1);
        if (result != SQLITE_BUSY && result != SQLITE_LOCKED)
            break;
    }
    sqlite3_backup_finish(backup);
    if (result == SQLITE_DONE)
        return true;
    *error = QString::fromUtf8(sqlite3_errstr(result));
    return false;
}

// Tables and their columns, as the database's own catalogue lists them.
using Schema = QMap<QString, QStringList>;

bool readSchema(const SqliteFile &file, Schema *schema, QString *error)
{
    QSqlQuery tables(file.database());
    if (!tables.exec(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table'"
                                    " AND name NOT LIKE 'sqlite%'"))) {
        *error = tables.lastError().databaseText();
        return false;
    }
    while (tables.next()) {
        const QString table = tables.value(0).toString();
        QSqlQuery columns(file.database());
        columns.prepare(QStringLiteral("SELECT name FROM pragma_table_info(?)"));
        columns.addBindValue(table);
        if (!columns.exec()) {
            *error = columns.lastError().databaseText();
            return false;
        }
        QStringList &names = (*schema)[table];
        while (columns.next())
            names << columns.value(0).toString();
    }
    return true;
}

// What keeps `candidate` from standing in for `reference`; empty when nothing does.
QString schemaProblem(const SqliteFile &candidate, const SqliteFile &reference)
{
    Schema wanted;
    Schema present;
    QString error;
    if (!readSchema(reference, &wanted, &error))
        return QStringLiteral("die Datenbank selbst ist nicht lesbar (%1)").arg(error);
    if (!readSchema(candidate, &present, &error))
        return QStringLiteral("keine lesbare SQLite-Datenbank (%1)").arg(error);
    for (auto table = wanted.cbegin(); table != wanted.cend(); ++table) {
        if (!present.contains(table.key()))
            return QStringLiteral("die Tabelle %1 fehlt").arg(table.key());
        for (const QString &column : table.value())
            if (!present.value(table.key()).contains(column))
                return QStringLiteral("in der Tabelle %1 fehlt die Spalte %2")
                    .arg(table.key(), column);
    }
    QSqlQuery check(candidate.database());
    if (!check.exec(QStringLiteral("PRAGMA quick_check")) || !check.next())
        return QStringLiteral("nicht prüfbar (%1)").arg(check.lastError().databaseText());
    if (check.value(0).toString() != QLatin1String("ok"))
        return QStringLiteral("beschädigt (%1)").arg(check.value(0).toString());
    return QString();
}

} // namespace

int backupDatabase(const AdminOptions &options, QTextStream &out, QTextStream &err)
{
    if (refusedForPostgres(options, err))
        return ExitFailure;
    const QString database = embeddedDatabaseFile(options.target);
    {
        // A backup of something that is no sound KARVEN database would pass for one later.
        Session session(options.engine, options.target);
        if (!openExisting(session, options, err))
            return ExitFailure;
    }
    if (sameFile(database, options.file)) {
        err << "Datei " << options.file << " ist die Datenbank selbst; bitte eine andere Datei "
            << "angeben.\n";
        return ExitFailure;
    }
    const bool existed = QFileInfo::exists(options.file);
    if (existed && !options.force) {
        err << "Datei " << options.file
            << " gibt es schon; sie wird nur mit --force überschrieben.\n";
        return ExitFailure;
    }
    QString error;
    bool copied = false;
    {
        SqliteFile from(database);
        SqliteFile to(options.file);
        copied = openBoth(from, to, err) && copyDatabase(from, to, &error);
    }
    if (!copied) {
        if (!error.isEmpty())
            err << "Sicherung nach " << options.file << " fehlgeschlagen: " << oneLine(error)
                << '\n';
        // Half a backup must not pass for one later.
        if (!existed)
            QFile::remove(options.file);
        return ExitFailure;
    }
    out << "Datenbank " << database << " gesichert in " << options.file << '\n';
    return ExitSuccess;
}

int restoreDatabase(const AdminOptions &options, QTextStream &out, QTextStream &err)
{
    if (refusedForPostgres(options, err))
        return ExitFailure;
    if (!QFileInfo(options.file).isFile()) {
        err << "Sicherung " << options.file << " existiert nicht.\n";
        return ExitFailure;
    }
    // A first restore on a new workstation finds no database yet: it gets an empty one.
    QString error;
    if (!DatabaseAdmin::create(EngineKind::Sqlite, options.target, &error)) {
        err << "Datenbank kann nicht angelegt werden: " << oneLine(error) << '\n';
        return ExitFailure;
    }
    const QString database = embeddedDatabaseFile(options.target);
    if (sameFile(database, options.file)) {
        err << "Datei " << options.file << " ist die Datenbank selbst; nichts wiederhergestellt.\n";
        return ExitFailure;
    }
    SqliteFile backup(options.file);
    SqliteFile live(database);
    if (!openBoth(backup, live, err))
        return ExitFailure;
    const QString problem = schemaProblem(backup, live);
    if (!problem.isEmpty()) {
        err << "Datei " << options.file << " ist keine KARVEN-Datenbank: " << problem
            << "; nichts wiederhergestellt.\n";
        return ExitFailure;
    }
    if (!copyDatabase(backup, live, &error)) {
        err << "Wiederherstellung aus " << options.file << " fehlgeschlagen, die Datenbank ist "
            << "unverändert: " << error << '\n';
        return ExitFailure;
    }
    out << "Datenbank " << database << " wiederhergestellt aus " << options.file << '\n';
    return ExitSuccess;
}
