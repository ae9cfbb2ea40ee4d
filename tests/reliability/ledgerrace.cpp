// Everything that writes swipes and changes their owners, at once and at
// random, against one database: imports of overlapping files (some killed
// halfway and run again), two watchers on one folder, time clock calls, and
// assignments and corrections from this process; on SQLite, a backup from
// before the round restored in its middle. Every round ends with the ledger
// check and a count: each swipe given out stored exactly once.
// Reproducible in what it does from its seed (not in the timing).
//   karven-ledger-race [SECONDS] [SEED]
// against the database that KARVEN_ENGINE and PGHOST/PGPORT (or KARVEN_DATA_DIR) name.

#include "cacheapi/objects/cacheerror.h"
#include "engine/cardassignment.h"
#include "engine/databaseadmin.h"
#include "engine/engineerrors.h"
#include "engine/ledger/ledgercheck.h"
#include "engine/session.h"
#include "engine/timeclock.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QSaveFile>
#include <QSet>
#include <QTemporaryDir>
#include <QThread>
#include <csignal>
#include <cstdio>
#include <memory>
#include <sys/prctl.h>

namespace {

constexpr int swipesPerRound = 300;
constexpr int cards = 12;
const QStringList employees{QStringLiteral("1001"), QStringLiteral("1002"), QStringLiteral("1003"),
                            QStringLiteral("1004")};

struct Race
{
    EngineKind kind;
    ConnectionTarget target;
    QString admin; // the karven-admin program
    QRandomGenerator random;
    QDir folder;
    QSet<QString> given; // identities of the swipes given out so far

    QStringList targetArguments() const
    {
        return {QStringLiteral("--engine"),    engineName(kind),
                QStringLiteral("--server"),    target.host,
                QStringLiteral("--port"),      QString::number(target.port),
                QStringLiteral("--namespace"), target.nameSpace};
    }

    QProcess *start(const QStringList &arguments)
    {
        auto *process = new QProcess;
        // A race broken off (Ctrl+C, a test's time-out) takes its watchers along.
        process->setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGTERM); });
        process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process->setStandardOutputFile(QProcess::nullDevice());
        process->start(admin, arguments + targetArguments());
        return process;
    }

    // A swipe as a file line: company, terminal, card, kind, date, time.
    // Days come round again after four weeks: later rounds repeat earlier swipes.
    QString randomSwipe(int round)
    {
        const int minute = random.bounded(24 * 60);
        const QString line = QStringLiteral("1;T%1;%2;%3;%4.03.2026;%5:%6")
                                 .arg(random.bounded(2))
                                 .arg(4000 + random.bounded(cards))
                                 .arg(random.bounded(2) ? QStringLiteral("K") : QStringLiteral("G"))
                                 .arg(1 + round % 28, 2, 10, QLatin1Char('0'))
                                 .arg(minute / 60, 2, 10, QLatin1Char('0'))
                                 .arg(minute % 60, 2, 10, QLatin1Char('0'));
        given.insert(line);
        return line;
    }

    bool write(const QString &path, const QStringList &lines)
    {
        QSaveFile file(path);
        return file.open(QIODevice::WriteOnly) &&
               file.write((QStringLiteral("Firma;Terminal;Karte;Art;Datum;Uhrzeit\n") +
                           lines.join(QLatin1Char('\n')) + QLatin1Char('\n'))
                              .toUtf8()) > 0 &&
               file.commit();
    }

    // Users at workstations: assign a card as seen a moment ago, or correct its assignment.
    void changeOwners(Session &session)
    {
        const QString card = QString::number(4000 + random.bounded(cards));
        const QString employee = employees.at(random.bounded(int(employees.size())));
        try {
            if (random.bounded(3) == 0) {
                const QVariant held = session.firstValue(
                    QStringLiteral(
                        "SELECT zuordnung_id FROM karte WHERE firma = '1' AND trim(karte) = ?"),
                    {card});
                if (held.isValid() && !held.isNull())
                    correctAssignment(session, held.toLongLong(), employee);
                return;
            }
            const QVariant holder = session.firstValue(
                QStringLiteral("SELECT pnr FROM karte WHERE firma = '1' AND trim(karte) = ?"),
                {card});
            assignCard(session, QStringLiteral("1"), employee, card, holder.toString());
        } catch (const CacheError &refused) {
            // Refusals are answers (the holder changed meanwhile, the same employee); failures are
            // not.
            if (refused.number() != EngineError::AssignmentRefused &&
                refused.number() != EngineError::CardHolderChanged)
                throw;
        }
    }

    qint64 newestId(Session &session)
    {
        return session.firstValue(QStringLiteral("SELECT coalesce(max(id), 0) FROM stempelung")).toLongLong();
    }

    int storedSwipes(Session &session)
    {
        return session
            .firstValue(QStringLiteral("SELECT count(*) FROM stempelung WHERE doppelt_von IS NULL"))
            .toInt();
    }
};

bool finish(QProcess *process, const char *what, bool mayBeKilled = false)
{
    const std::unique_ptr<QProcess> owned(process);
    if (!process->waitForFinished(180000)) {
        std::fprintf(stderr, "%s did not finish\n", what);
        return false;
    }
    if (mayBeKilled && process->exitStatus() == QProcess::CrashExit)
        return true;
    if (process->exitStatus() != QProcess::NormalExit || process->exitCode() != 0) {
        std::fprintf(stderr, "%s failed (exit %d)\n", what, process->exitCode());
        return false;
    }
    return true;
}

bool folderEmptied(const QDir &folder)
{
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 60000) {
        if (folder.entryList({QStringLiteral("*.csv")}, QDir::Files).isEmpty())
            return true;
        QThread::msleep(100);
    }
    return false;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = application.arguments();
    const int seconds = arguments.value(1, QStringLiteral("60")).toInt();
    const quint32 seed =
        arguments.size() > 2 ? arguments.at(2).toUInt() : QRandomGenerator::system()->generate();
    const EngineKind kind = engineKindFromName(configuredEngineName()).value_or(EngineKind::Sqlite);
    // In the test run without a PostgreSQL server for tests, the PostgreSQL run is skipped
    // (CTest's SKIP_RETURN_CODE), unless the run must not skip.
    if (kind == EngineKind::Postgres && qEnvironmentVariableIsEmpty("PGPORT") &&
        !qEnvironmentVariableIsSet("KARVEN_TEST_REQUIRE_PG")) {
        std::printf("karven-ledger-race: no PostgreSQL server (PGPORT is not set), skipped\n");
        return 77;
    }
    QTemporaryDir work;
    const QString watched = work.filePath(QStringLiteral("uhren"));
    QDir().mkpath(watched);
    Race race{kind,
              {QStringLiteral("127.0.0.1"),
               kind == EngineKind::Postgres ? qEnvironmentVariableIntValue("PGPORT") : 1972,
               QStringLiteral("KARVENRACE"), qEnvironmentVariable("PGUSER")},
              QStringLiteral(KARVEN_ADMIN_EXECUTABLE),
              QRandomGenerator(seed),
              QDir(watched),
              {}};
    std::printf("karven-ledger-race: %d s, seed %u (again: karven-ledger-race %d %u)\n", seconds,
                seed, seconds, seed);
    QString error;
    DatabaseAdmin::drop(kind, race.target, &error);
    if (seconds < 1 || !DatabaseAdmin::create(kind, race.target, &error)) {
        std::fprintf(stderr, "%s\n",
                     qPrintable(error.isEmpty()
                                    ? QStringLiteral("Aufruf: karven-ledger-race [SEKUNDEN] [SEED]")
                                    : error));
        return 2;
    }
    Session session(kind, race.target);
    session.open();
    session.exec(QStringLiteral(
        "INSERT INTO persbasis (firma, pnr, name, aktiv) VALUES ('1', '1001', 'A', 'J'),"
        " ('1', '1002', 'B', 'J'), ('1', '1003', 'C', 'J'), ('1', '1004', 'D', 'J')"));
    session.exec(QStringLiteral("INSERT INTO parpersedv (firma, code, pnr, aktiv, bergrp) VALUES "
                                "('1', 'RACE', '1001', 'J', 'A')"));
    session.variables().insert(QStringLiteral("PERSONAL"), QStringLiteral("RACE"));

    QVector<QProcess *> watchers;
    for (int i = 0; i < 2; ++i)
        watchers << race.start({QStringLiteral("swipes"), QStringLiteral("--watch"), watched});
    QElapsedTimer running;
    running.start();
    int round = 0;
    bool sound = true;
    while (sound && running.elapsed() < seconds * 1000) {
        // SQLite: a backup made before the round, while nothing writes, comes
        // back while it runs. What it takes back is imported again; the
        // numbers handed out until then must not come again.
        const bool restores = kind == EngineKind::Sqlite && race.random.bounded(3) == 0;
        const QString backup = work.filePath(QStringLiteral("sicherung.sqlite"));
        const qint64 newestInBackup = restores ? race.newestId(session) : 0;
        qint64 handedOutBeforeRestore = 0;
        const int restoreAt = race.random.bounded(8);
        if (restores)
            sound = finish(race.start({QStringLiteral("backup"), QStringLiteral("--to"), backup,
                                       QStringLiteral("--force")}),
                           "backup") &&
                    sound;
        QStringList swipes;
        for (int i = 0; i < swipesPerRound; ++i)
            swipes << race.randomSwipe(round);
        // Two files that overlap in a third, a watched one, and single clock calls.
        const QString first = work.filePath(QStringLiteral("a-%1.csv").arg(round));
        const QString second = work.filePath(QStringLiteral("b-%1.csv").arg(round));
        race.write(first, swipes.mid(0, swipesPerRound * 2 / 3));
        race.write(second, swipes.mid(swipesPerRound / 3));
        race.write(race.folder.filePath(QStringLiteral("uhr-%1.csv").arg(round)),
                   swipes.mid(swipesPerRound / 4, 50));
        QProcess *importA = race.start({QStringLiteral("swipes"), QStringLiteral("--file"), first});
        QProcess *importB =
            race.start({QStringLiteral("swipes"), QStringLiteral("--file"), second});
        QVector<QProcess *> clocks;
        for (int i = 0; i < 3; ++i) {
            const QStringList fields =
                swipes.at(race.random.bounded(swipesPerRound)).split(QLatin1Char(';'));
            const QString date = fields.at(4);
            clocks << race.start({QStringLiteral("book"), QStringLiteral("--terminal"),
                                  fields.at(1), QStringLiteral("--card"), fields.at(2),
                                  QStringLiteral("--kind"), fields.at(3), QStringLiteral("--time"),
                                  date.mid(6, 4) + date.mid(3, 2) + date.mid(0, 2) +
                                      QString(fields.at(5)).remove(':')});
        }
        const bool killA = race.random.bounded(3) == 0;
        const int killAfter = race.random.bounded(300);
        QElapsedTimer sinceStart;
        sinceStart.start();
        for (int change = 0; change < 8; ++change) {
            if (restores && change == restoreAt) {
                handedOutBeforeRestore = race.newestId(session);
                sound = finish(race.start({QStringLiteral("restore"), QStringLiteral("--from"), backup}),
                               "restore") &&
                        sound;
            }
            race.changeOwners(session);
            if (killA && sinceStart.elapsed() >= killAfter && importA->state() == QProcess::Running)
                importA->kill();
        }
        sound = finish(importA, "import A", killA) && finish(importB, "import B");
        for (QProcess *clock : clocks)
            sound = finish(clock, "time clock call") && sound;
        // A file broken off is finished by reading it again.
        if (killA)
            sound = finish(race.start({QStringLiteral("swipes"), QStringLiteral("--file"), first}),
                           "import A again") &&
                    sound;
        sound = folderEmptied(race.folder) && sound;
        if (restores) {
            for (const QString &file : {first, second})
                sound = finish(race.start({QStringLiteral("swipes"), QStringLiteral("--file"), file}),
                               "import after the restore") &&
                        sound;
            const int reused =
                session
                    .firstValue(QStringLiteral("SELECT count(*) FROM stempelung WHERE id > ? AND id <= ?"),
                                {newestInBackup, handedOutBeforeRestore})
                    .toInt();
            if (reused > 0) {
                std::fprintf(stderr, "  %d numbers handed out again after the restore\n", reused);
                sound = false;
            }
        }
        const LedgerFindings findings = checkLedger(session);
        const int stored = race.storedSwipes(session);
        std::printf("round %d: %d swipes given out, %d stored, %lld violations%s%s\n", round,
                    int(race.given.size()), stored, qint64(findings.violations.size()),
                    killA ? ", an import killed and run again" : "",
                    restores ? qPrintable(QStringLiteral(", a backup restored after number %1 of %2")
                                              .arg(newestInBackup)
                                              .arg(handedOutBeforeRestore))
                             : "");
        for (const QString &violation : findings.violations)
            std::fprintf(stderr, "  %s\n", qPrintable(violation));
        sound = sound && findings.violations.isEmpty() && stored == race.given.size();
        ++round;
    }
    for (QProcess *watcher : watchers) {
        watcher->terminate();
        watcher->waitForFinished();
        delete watcher;
    }
    DatabaseAdmin::drop(kind, race.target, &error);
    std::printf("%s after %d rounds (seed %u)\n", sound ? "sound" : "BROKEN", round, seed);
    return sound ? 0 : 1;
}
