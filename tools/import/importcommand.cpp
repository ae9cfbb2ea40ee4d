#include "tools/import/importcommand.h"

#include "cacheapi/objects/cacheerror.h"
#include "engine/session.h"
#include "tools/admindatabase.h"
#include "tools/import/masterdataimport.h"
#include "tools/import/swipefolder.h"
#include "tools/import/swipeimport.h"

int importFiles(const AdminOptions &options, QTextStream &out, QTextStream &err)
{
    Session session(options.engine, options.target);
    if (!openExisting(session, options, err))
        return ExitFailure;
    int exitCode = ExitSuccess;
    const auto importAll = [&] {
        for (const MasterData kind : {MasterData::Departments, MasterData::Employees,
                                      MasterData::LoginUsers, MasterData::Cards}) {
            const QString path = options.importFiles.value(masterDataName(kind));
            if (path.isEmpty())
                continue;
            const ImportReport report = importMasterData(session, kind, path);
            if (!report.errors.isEmpty()) {
                for (const QString &problem : report.errors)
                    err << path << ": " << problem << '\n';
                err << "Nichts aus " << path << " gespeichert.\n";
                exitCode = ExitFailure;
                return;
            }
            out << masterDataName(kind) << ": " << path << " (" << report.encoding
                << "): " << report.rows << (report.rows == 1 ? " Zeile, " : " Zeilen, ") << report.added << " neu, " << report.changed
                << " geändert, " << report.unchanged << " unverändert"
                << (options.dryRun ? " (Probelauf)" : "") << '\n';
        }
    };
    if (!options.dryRun) {
        importAll();
        return exitCode;
    }
    // A dry run sees each file on top of the ones before it, then takes all of it back.
    struct DryRunOver
    {
    };
    try {
        session.transaction([&] {
            importAll();
            throw DryRunOver();
        });
    } catch (const DryRunOver &) {
    }
    out << "Probelauf: nichts gespeichert.\n";
    return exitCode;
}

int importSwipes(const AdminOptions &options, QTextStream &out, QTextStream &err)
{
    if (!options.watchFolder.isEmpty())
        return watchSwipeFolder(options, out, err);
    Session session(options.engine, options.target);
    if (!openExisting(session, options, err))
        return ExitFailure;
    SwipeReport report;
    try {
        report = ::importSwipes(session, options.file, options.company);
    } catch (const CacheError &error) {
        err << "Fehler " << error.number() << ": " << oneLine(error.description()) << '\n'
            << "Was aus " << options.file
            << " schon gebucht ist, bleibt gebucht; die Datei noch "
               "einmal einlesen bucht den Rest (schon Gebuchtes wird übergangen).\n";
        return ExitFailure;
    }
    if (!report.errors.isEmpty()) {
        for (const QString &problem : swipeErrorLines(report))
            err << options.file << ": " << problem << '\n';
        if (report.timeBookings + report.unassigned == 0)
            err << "Nichts aus " << options.file << " gebucht.\n";
        return ExitFailure;
    }
    out << options.file << " (" << report.encoding << "): " << report.swipes << " Stempelungen, "
        << report.timeBookings << " Zeitbuchungen, " << report.unassigned
        << " nicht zugeordnete Buchungen, " << report.bookedBefore << " schon gebucht\n";
    return ExitSuccess;
}
