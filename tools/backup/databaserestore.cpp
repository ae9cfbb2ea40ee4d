#include "tools/backup/databasebackup.h"

#include "engine/databaseadmin.h"
#include "engine/schema.h"
#include "engine/session.h"
#include "tools/admindatabase.h"
#include "tools/backup/idsequences.h"
#include "tools/backup/sqlitecopy.h"
#include "tools/backup/sqlitefile.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <sqlite3.h>

namespace {

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

// What keeps a backup, as it lies, from being a sound KARVEN database of any
// version; empty when nothing does. *version receives the version of its tables.
QString backupProblem(const SqliteFile &backup, int *version)
{
    Schema present;
    QString error;
    if (!readSchema(backup, &present, &error))
        return QStringLiteral("keine lesbare SQLite-Datenbank (%1)").arg(error);
    if (!present.contains(karvenMarkerTable))
        return QStringLiteral("die Tabelle %1 fehlt").arg(karvenMarkerTable);
    QSqlQuery check(backup.database());
    if (!check.exec(QStringLiteral("PRAGMA quick_check")) || !check.next())
        return QStringLiteral("nicht prüfbar (%1)").arg(check.lastError().databaseText());
    if (check.value(0).toString() != QLatin1String("ok"))
        return QStringLiteral("beschädigt (%1)").arg(check.value(0).toString());
    // Read as schemaVersion() reads it of an open database, which would upgrade the file.
    *version = 1;
    if (present.contains(QStringLiteral("schemaversion"))) {
        QSqlQuery kept(backup.database());
        if (!kept.exec(QStringLiteral("SELECT max(version) FROM schemaversion")) || !kept.next())
            return QStringLiteral("die Schemaversion ist nicht lesbar (%1)")
                .arg(kept.lastError().databaseText());
        if (!kept.value(0).isNull())
            *version = kept.value(0).toInt();
    }
    return QString();
}

// The first table or column of `reference` that `candidate` lacks; empty when it has all.
QString missingPart(const SqliteFile &candidate, const SqliteFile &reference)
{
    Schema wanted;
    Schema present;
    QString error;
    if (!readSchema(reference, &wanted, &error))
        return QStringLiteral("die Tabellen dieses Programms sind nicht lesbar (%1)").arg(error);
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
    return QString();
}

// A copy of what `from` holds now, in a new file beside `database` that is
// named for the moment; an existing file is never overwritten. Answers the
// copy's path, or an empty text with the reason in *error.
QString keepCopy(const SqliteFile &from, const QString &database, QString *error)
{
    const QString stem = database + QStringLiteral(".vor-wiederherstellung-") +
                         QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString path;
    for (int number = 1; path.isEmpty(); ++number) {
        const QString candidate =
            number == 1 ? stem : stem + QLatin1Char('-') + QString::number(number);
        QFile file(candidate);
        if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            path = candidate;
        else if ((!QFileInfo::exists(candidate) && !QFileInfo(candidate).isSymLink()) ||
                 number >= 100) {
            *error = QStringLiteral("Kopie %1: %2").arg(candidate, file.errorString());
            return QString();
        }
    }
    bool copied = false;
    {
        SqliteFile to(path);
        if (to.open())
            copied = copyDatabase(from, to, error);
        else
            *error = to.lastError();
    }
    if (!copied) {
        for (const QString &suffix : {QString(), QStringLiteral("-journal"), QStringLiteral("-wal"),
                                      QStringLiteral("-shm")})
            QFile::remove(path + suffix);
        *error = QStringLiteral("Kopie der Datenbank nach %1: %2").arg(path, *error);
        return QString();
    }
    return path;
}

struct Replacement
{
    QString keptCopy; // the replaced database's copy; empty when none was asked for
    QString unread;   // why not every id it handed out could be read
    QString error;    // why nothing was replaced; empty when the contents were
};

// Replaces the contents of `database` by those of `staged` in one transaction,
// with SQLite's online backup as copyDatabase() does. While that transaction
// holds the write lock, nobody else can change the database: what it held is
// copied beside it first (keep), and every id it handed out is read, so that
// the restored sequences continue above them. No id that a workstation still
// shows is handed out again for something else.
Replacement replaceContents(const QString &database, const QString &staged, bool keep)
{
    Replacement result;
    SqliteFile source(staged);
    SqliteFile live(database);
    // The database as others see it: in WAL mode the write lock holds up no reader.
    SqliteFile reader(database);
    for (SqliteFile *file : {&source, &live, &reader})
        if (!file->open()) {
            result.error = QStringLiteral("%1: %2").arg(file->path(), file->lastError());
            return result;
        }
    // As the engine opens it: rollback journaling would also lock out the reader.
    QSqlQuery(live.database()).exec(QStringLiteral("PRAGMA journal_mode=WAL"));
    sqlite3_backup *backup = sqlite3_backup_init(live.handle(), "main", source.handle(), "main");
    if (!backup) {
        result.error = QString::fromUtf8(sqlite3_errmsg(live.handle()));
        return result;
    }
    // The first step copies nothing: it takes the write lock, which the backup
    // keeps up to its last step.
    int step = backupStep(backup, 0);
    if (step == SQLITE_OK) {
        if (keep)
            result.keptCopy = keepCopy(reader, database, &result.error);
        HighestIds highest;
        if (result.error.isEmpty())
            highest = highestIds(reader, &result.unread);
        // The backup's source is changed on its own connection: the step copies the change.
        if (result.error.isEmpty() && raiseSequences(source, highest, &result.error))
            step = backupStep(backup, -1);
    }
    // Rolls the replacement back unless the last step was done.
    sqlite3_backup_finish(backup);
    if (step != SQLITE_DONE && result.error.isEmpty())
        result.error = QString::fromUtf8(sqlite3_errstr(step));
    if (!result.error.isEmpty() && !result.keptCopy.isEmpty()) {
        // The database is as it was: its copy is no more than a second one.
        for (const QString &suffix : {QString(), QStringLiteral("-wal"), QStringLiteral("-shm")})
            QFile::remove(result.keptCopy + suffix);
        result.keptCopy.clear();
    }
    return result;
}

} // namespace

int restoreDatabase(const AdminOptions &options, QTextStream &out, QTextStream &err)
{
    if (refusedForPostgres(options, err))
        return ExitFailure;
    if (!QFileInfo(options.file).isFile()) {
        err << "Sicherung " << options.file << " existiert nicht.\n";
        return ExitFailure;
    }
    const QString database = embeddedDatabaseFile(options.target);
    // What a database held is kept beside it; a new or empty file holds nothing.
    const bool holdsData = QFileInfo(database).size() > 0;
    // A first restore on a new workstation finds no database yet: it gets an empty one.
    QString error;
    if (!DatabaseAdmin::create(EngineKind::Sqlite, options.target, &error)) {
        err << "Datenbank kann nicht angelegt werden: " << oneLine(error) << '\n';
        return ExitFailure;
    }
    if (sameFile(database, options.file)) {
        err << "Datei " << options.file << " ist die Datenbank selbst; nichts wiederhergestellt.\n";
        return ExitFailure;
    }
    const auto refuse = [&](const QString &problem) {
        err << "Datei " << options.file << " ist keine KARVEN-Datenbank: " << oneLine(problem)
            << "; nichts wiederhergestellt.\n";
        return ExitFailure;
    };

    // The backup file itself is only read.
    SqliteFile backup(options.file);
    if (!backup.open()) {
        err << "Datei " << backup.path()
            << " kann nicht geöffnet werden: " << oneLine(backup.lastError()) << '\n';
        return ExitFailure;
    }
    int version = 0;
    const QString problem = backupProblem(backup, &version);
    if (!problem.isEmpty())
        return refuse(problem);
    // In a database of a later version no program of this one would work, nor
    // restore an older backup over it.
    if (version > currentSchemaVersion) {
        err << "Die Sicherung " << options.file << " hat die Schemaversion " << version
            << ", dieses Programm kennt nur Versionen bis " << currentSchemaVersion
            << "; nichts wiederhergestellt. Zurückspielen lässt sie sich erst, wenn das Programm "
               "aktualisiert ist.\n";
        return ExitFailure;
    }

    // A copy of it beside the database is brought to this program's version as
    // opening a database does, in one transaction, and compared with the tables
    // this program makes; only then does it take the database's place.
    QTemporaryDir work(database + QStringLiteral(".wiederherstellung-XXXXXX"));
    if (!work.isValid()) {
        err << "Arbeitsordner neben " << database
            << " kann nicht angelegt werden: " << oneLine(work.errorString())
            << "; nichts wiederhergestellt.\n";
        return ExitFailure;
    }
    const QString staged = work.filePath(QStringLiteral("sicherung.sqlite"));
    const QString reference = work.filePath(QStringLiteral("neu.sqlite"));
    {
        SqliteFile copy(staged);
        if (!copy.open() || !copyDatabase(backup, copy, &error)) {
            err << "Arbeitskopie der Sicherung in " << staged << " fehlgeschlagen: "
                << oneLine(copy.lastError().isEmpty() ? error : copy.lastError())
                << "; nichts wiederhergestellt.\n";
            return ExitFailure;
        }
    }
    {
        Session upgraded(staged);
        if (!upgraded.open()) {
            err << "Die Sicherung " << options.file << " (Schemaversion " << version
                << ") lässt sich nicht auf Version " << currentSchemaVersion
                << " bringen: " << oneLine(upgraded.lastError()) << "; nichts wiederhergestellt.\n";
            return ExitFailure;
        }
        Session made(reference);
        if (!made.open()) {
            err << "Vergleichsdatenbank " << reference
                << " kann nicht angelegt werden: " << oneLine(made.lastError())
                << "; nichts wiederhergestellt.\n";
            return ExitFailure;
        }
    }
    {
        SqliteFile copy(staged);
        SqliteFile made(reference);
        if (!openBoth(copy, made, err))
            return ExitFailure;
        const QString missing = missingPart(copy, made);
        if (!missing.isEmpty())
            return refuse(missing);
    }

    const Replacement replaced = replaceContents(database, staged, holdsData);
    if (!replaced.error.isEmpty()) {
        err << "Wiederherstellung aus " << options.file << " fehlgeschlagen, die Datenbank ist "
            << "unverändert: " << oneLine(replaced.error) << '\n';
        return ExitFailure;
    }
    out << "Datenbank " << database << " wiederhergestellt aus " << options.file << '\n';
    if (version < currentSchemaVersion)
        out << "Die Sicherung hatte die Schemaversion " << version << "; sie ist auf Version "
            << currentSchemaVersion << " gebracht.\n";
    if (!replaced.keptCopy.isEmpty())
        out << "Die ersetzte Datenbank ist aufbewahrt in " << replaced.keptCopy << '\n';
    if (!replaced.unread.isEmpty())
        err << "Warnung: Nicht alle Nummern, die die ersetzte Datenbank vergeben hatte, waren "
               "lesbar ("
            << oneLine(replaced.unread)
            << "); eine neue Buchung kann die Nummer einer bekommen, die ein Arbeitsplatz noch "
               "anzeigt. Die Arbeitsplätze bitte neu starten.\n";
    return ExitSuccess;
}
