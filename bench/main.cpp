// karven-bench: the program's speed and memory on the engine that KARVEN_ENGINE
// names (PostgreSQL: the server KARVEN_TEST_PGPORT names). Prints the figures
// and the targets as Markdown tables. scripts/bench runs it on both engines.
//   karven-bench [--idle-seconds N] [--only imports|login|refresh]

#include "bench/benchmarks.h"
#include "bench/report.h"
#include "cacheapi/objects/cacheerror.h"
#include "cacheapi/objects/factoryregistry.h"
#include "engine/sqlfactory.h"
#include "tests/support/enginefixture.h"
#include "tools/demodata.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTextStream>

int main(int argc, char *argv[])
{
    // Settings that the logins write go to a folder of the run, never the user's.
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.filePath(QStringLiteral("config")).toUtf8());
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const QStringList arguments = QApplication::arguments();
    const qsizetype idleOption = arguments.indexOf(QStringLiteral("--idle-seconds"));
    const int idleSeconds = idleOption > 0 ? arguments.value(idleOption + 1).toInt() : 30;
    if (idleSeconds <= 0)
        qFatal("usage: karven-bench [--idle-seconds N]");

    // "--only imports", "--only login" or "--only refresh": those figures alone, for working on them.
    const qsizetype onlyOption = arguments.indexOf(QStringLiteral("--only"));
    const QString only = onlyOption > 0 ? arguments.value(onlyOption + 1) : QString();
    if (onlyOption > 0 && only != QLatin1String("imports") && only != QLatin1String("login") &&
        only != QLatin1String("refresh"))
        qFatal("usage: karven-bench [--idle-seconds N] [--only imports|login|refresh]");
    const auto runs = [&only](const char *part) { return only.isEmpty() || only == QLatin1String(part); };

    registerFactory(createEngineFactory);
    EngineFixture database;
    if (!database.setUp(QStringLiteral("KARVEN")))
        qFatal("%s", qPrintable(database.skipReason()));
    Report report(database.kind());
    try {
        database.withSession(seedDemoData);
        Benchmarks benchmarks(database, report, idleSeconds);
        if (runs("imports"))
            benchmarks.imports(100000, 10000);
        if (runs("login"))
            benchmarks.login();
        if (only.isEmpty()) {
            benchmarks.emptyPoll();
            if (database.kind() == EngineKind::Postgres)
                benchmarks.pushLatency(100);
            benchmarks.idleProgram();
            for (int employees : {100, 1000, 10000})
                benchmarks.startUp(employees);
        }
        if (runs("refresh")) {
            for (int bookings : {1000, 10000, 100000})
                benchmarks.refreshAndAssign(bookings);
            benchmarks.peakMemory(100000);
        }
    } catch (const CacheError &error) {
        qFatal("benchmark failed: %s", qPrintable(error.description()));
    }
    database.tearDown();
    QTextStream out(stdout);
    report.print(out);
    return 0;
}
