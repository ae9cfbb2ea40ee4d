// The load a site puts on its shared server, held for longer than a test may
// run: workstations asking what the program asks, a time clock adding
// bookings, users at some workstations assigning. Prints the figures; exits 1
// when a booking was lost or booked twice.
//   karven-soak [--push] [WORKSTATIONS] [SECONDS] [BOOKINGS_PER_SECOND] [ASSIGNING] [QUIET]
// against the database that KARVEN_ENGINE and PGHOST/PGPORT (or KARVEN_DATA_DIR) name; on
// PostgreSQL the workstations log in as KARVEN_TEST_PGWORKSTATION where it is set.

#include "cacheapi/objects/cacheerror.h"
#include "engine/databaseadmin.h"
#include "engine/session.h"
#include "tests/reliability/loadscenario.h"
#include "tools/demodata.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    QStringList arguments = application.arguments();
    LoadSettings settings;
    settings.push = arguments.removeAll(QStringLiteral("--push")) > 0;
    settings.workstations = arguments.value(1, QStringLiteral("50")).toInt();
    settings.seconds = arguments.value(2, QStringLiteral("60")).toInt();
    settings.bookingsPerSecond = arguments.value(3, QStringLiteral("10")).toInt();
    settings.assigningWorkstations =
        arguments.value(4, QString::number(std::max(1, settings.workstations / 10))).toInt();
    settings.quietWorkstations = arguments.value(5, QString::number(settings.workstations / 50)).toInt();
    if (settings.workstations < 1 || settings.seconds < 1 || settings.bookingsPerSecond < 1 ||
        settings.assigningWorkstations < 0 || settings.assigningWorkstations > settings.workstations || settings.quietWorkstations < 0) {
        std::fprintf(stderr, "Aufruf: karven-soak [--push] [ARBEITSPLAETZE] [SEKUNDEN] [BUCHUNGEN_JE_SEKUNDE]"
                             " [ZUORDNENDE] [RUHIGE]\n");
        return 2;
    }
    const EngineKind kind = engineKindFromName(configuredEngineName()).value_or(EngineKind::Sqlite);
    // The time clock works as the owner; workstations log in as the workstations' role when there is one.
    const ConnectionTarget target{QStringLiteral("127.0.0.1"), qEnvironmentVariableIntValue("PGPORT"),
                                  QStringLiteral("KARVENSOAK"), qEnvironmentVariable("PGUSER")};
    const QString workstationRole = qEnvironmentVariable("KARVEN_TEST_PGWORKSTATION");
    QString error;
    if (!DatabaseAdmin::create(kind, target, &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    {
        Session session(kind, target);
        session.open();
        seedDemoData(session);
        session.exec(QStringLiteral("DELETE FROM stempelung WHERE pnr IS NULL"));
        if (kind == EngineKind::Postgres && !workstationRole.isEmpty()) {
            try {
                DatabaseAdmin::grantWorkstation(session, workstationRole);
            } catch (const CacheError &refused) {
                std::fprintf(stderr, "%s\n", qPrintable(refused.description()));
                return 1;
            }
            qputenv("PGUSER", workstationRole.toUtf8());
        }
    }
    const LoadResult result = runLoad(kind, target, settings);
    std::printf("engine %s, %d workstations (%d assigning) and %d of a quiet company, %s, %d s, %d bookings/s\n",
                qPrintable(engineName(kind)), settings.workstations, settings.assigningWorkstations,
                settings.quietWorkstations,
                settings.push ? "push" : "no push", settings.seconds, settings.bookingsPerSecond);
    const double clockRate = double(result.bookingsAdded) / settings.seconds;
    std::printf("bookings added %d (%.1f/s%s): still listed %d, booked %d, lost %d, booked twice %d\n",
                result.bookingsAdded, clockRate,
                clockRate < 0.98 * settings.bookingsPerSecond ? ", short of the clock's rate" : "",
                result.stillListed, result.booked, result.lost, result.bookedTwice);
    std::printf("the quiet company's clock added %d\n", result.quietBookingsAdded);
    std::printf("assignments %d, errors %d\n", result.assignments, int(result.errors.size()));
    for (const auto &[what, milliseconds] :
         {std::pair{"list reads", &result.pollMilliseconds},
          std::pair{"new-booking checks", &result.checkMilliseconds},
          std::pair{"notice to list shown", &result.noticeToScreenMilliseconds},
          std::pair{"booking to empty list", &result.arrivalMilliseconds}})
        std::printf("%s %d: p50 %.2f ms, p95 %.2f ms, p99 %.2f ms, max %.2f ms\n", what,
                    int(milliseconds->size()), LoadResult::percentile(*milliseconds, 0.5),
                    LoadResult::percentile(*milliseconds, 0.95), LoadResult::percentile(*milliseconds, 0.99),
                    LoadResult::percentile(*milliseconds, 1.0));
    std::printf("notices %d\n", result.notices);
    if (result.serverCpuSeconds >= 0)
        std::printf("server CPU %.2f s in %d s = %.1f %% of one core\n", result.serverCpuSeconds,
                    settings.seconds, 100.0 * result.serverCpuSeconds / settings.seconds);
    if (result.serverMemoryKib >= 0)
        std::printf("server memory %.0f MiB, %.2f MiB a workstation\n", result.serverMemoryKib / 1024.0,
                    result.serverMemoryKib / 1024.0 / settings.workstations);
    for (const QString &text : result.errors)
        std::printf("error: %s\n", qPrintable(text));
    DatabaseAdmin::drop(kind, target, &error);
    return result.lost == 0 && result.bookedTwice == 0 && result.errors.isEmpty() ? 0 : 1;
}
