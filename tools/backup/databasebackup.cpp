#include "tools/backup/databasebackup.h"

#include "engine/session.h"
#include "tools/admindatabase.h"
#include "tools/backup/sqlitecopy.h"
#include "tools/backup/sqlitefile.h"

#include <QFile>
#include <QFileInfo>

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
