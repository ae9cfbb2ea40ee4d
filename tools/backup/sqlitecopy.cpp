#include "tools/backup/sqlitecopy.h"

#include "tools/admindatabase.h"
#include "tools/backup/sqlitefile.h"

#include <QFileInfo>
#include <sqlite3.h>

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

// Steps a backup, trying again while another connection holds the write lock:
// each step already waits out the busy timeout, a few more tries outlast a long writer.
int backupStep(sqlite3_backup *backup, int pages)
{
    int result = SQLITE_OK;
    for (int attempt = 0; attempt < 5; ++attempt) {
        result = sqlite3_backup_step(backup, pages);
        if (result != SQLITE_BUSY && result != SQLITE_LOCKED)
            break;
    }
    return result;
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
    const int result = backupStep(backup, -1);
    sqlite3_backup_finish(backup);
    if (result == SQLITE_DONE)
        return true;
    *error = QString::fromUtf8(sqlite3_errstr(result));
    return false;
}
