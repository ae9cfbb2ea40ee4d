// A shared server that goes away and comes back, workstations racing for the
// same booking, and many workstations polling while bookings keep coming.
// The server restarts need the PostgreSQL server the test script started.

#include "app/programwindows.h"
#include "cacheapi/cacheapi.h"
#include "controls/ctlist.h"
#include "engine/engineerrors.h"
#include "engine/session.h"
#include "engine/timeclock.h"
#include "login/user_anmeld.h"
#include "tests/reliability/loadscenario.h"
#include "tests/reliability/workstation.h"
#include "tests/support/enginefixture.h"
#include "tests/support/fakeports.h"
#include "tests/support/flakyfactory.h"
#include "tools/demodata.h"

#include <QProcess>
#include <QTest>
#include <thread>

class TestReliability : public QObject
{
    Q_OBJECT

private:
    EngineFixture db_;
    std::unique_ptr<FakeWindows> fakes_;
    ConnectionScript script_;
    // The program's own windows, for the test that polls through the main window.
    std::unique_ptr<ProgramWindows> program_;

    bool serverCanRestart() const
    {
        return db_.kind() == EngineKind::Postgres && qEnvironmentVariableIsSet("KARVEN_TEST_PGCLUSTER");
    }

    static void cluster(const QString &command)
    {
        const int exitCode = QProcess::execute(QStringLiteral(KARVEN_SOURCE_DIR "/scripts/postgres-cluster"),
                                               {command, qEnvironmentVariable("KARVEN_TEST_PGCLUSTER")});
        QVERIFY2(exitCode == 0, qPrintable(command));
    }

private Q_SLOTS:
    void initTestCase() { KARVEN_SET_UP_ENGINE_OR_SKIP(db_, QStringLiteral("RELIABLE")); }
    void cleanupTestCase() { db_.tearDown(); }

    void init()
    {
        db_.withSession(seedDemoData);
        db_.forgetFailedLogins();
        db_.exec(QStringLiteral("DELETE FROM stempelung WHERE pnr IS NULL"));
        fakes_ = std::make_unique<FakeWindows>();
        script_ = ConnectionScript();
        registerFlakyFactory(script_);
        db_.pointConnectionRecordHere();
    }

    void cleanup()
    {
        Trennen();
        program_.reset();
        fakes_.reset();
    }

    void serverBackDuringTheSecondSeries()
    {
        if (!serverCanRestart())
            QSKIP("needs a PostgreSQL server that the test may stop");
        cluster(QStringLiteral("pause"));
        fakes_->serverList.whileShownModally = [] { cluster(QStringLiteral("resume")); };
        Verbinden();
        QCOMPARE(fakes_->ui.messages.size(), 1);
        QCOMPARE(fakes_->ui.messages[0].icon, UserInterfacePort::Icon::Exclamation);
        QCOMPARE(fakes_->serverList.modalShows, 1);
        QVERIFY(Verbindung.CacheFactory->isConnected());
        bool failed = false;
        QVERIFY(!dbcall(QStringLiteral("W ^FA(0)"), failed).isEmpty());
        QVERIFY(!failed);
    }

    void serverGoneForGoodEndsTheProgram()
    {
        if (!serverCanRestart())
            QSKIP("needs a PostgreSQL server that the test may stop");
        cluster(QStringLiteral("pause"));
        QVERIFY_THROWS_EXCEPTION(ProgramEnded, Verbinden());
        cluster(QStringLiteral("resume"));
        QCOMPARE(fakes_->ui.messages.size(), 2);
        QCOMPARE(fakes_->ui.messages[1].icon, UserInterfacePort::Icon::Critical);
        QCOMPARE(fakes_->ui.endProgramCalls, 1);
    }

    void restartWhileIdleReconnectsOnTheNextAccess()
    {
        if (!serverCanRestart())
            QSKIP("needs a PostgreSQL server that the test may stop");
        ZugriffBeginn(false);
        ZugriffEnde(false);
        cluster(QStringLiteral("pause"));
        cluster(QStringLiteral("resume"));
        bool failed = false;
        const QString answer = dbcall(QStringLiteral("W ^FA(0)"), failed);
        QVERIFY2(!failed, qPrintable(fakes_->ui.messages.value(0).text));
        QVERIFY(!answer.isEmpty());
        QCOMPARE(script_.attempts, 2);
        QVERIFY(fakes_->ui.messages.isEmpty());
    }

    void callFailingWithTheServerIsReportedNeverAsSuccess()
    {
        if (!serverCanRestart())
            QSKIP("needs a PostgreSQL server that the test may stop");
        ZugriffBeginn(false);
        auto windows = Verbindung.CacheFactory->newObject(QStringLiteral("KV.Windows"));
        cluster(QStringLiteral("pause"));
        QVariantList command{QStringLiteral("W ^FA(0)")};
        try {
            windows->call(QStringLiteral("Xecute"), command);
            QFAIL("a call to a stopped server succeeded");
        } catch (const CacheError &error) {
            QCOMPARE(error.number(), qint32(EngineError::NotConnected));
        }
        cluster(QStringLiteral("resume"));
        ZugriffEnde(false);
        // The next bracket connects again.
        bool failed = false;
        QVERIFY(!dbcall(QStringLiteral("W ^FA(0)"), failed).isEmpty());
        QVERIFY(!failed);
    }

    void restartWhilePollingLosesNothing()
    {
        if (!serverCanRestart())
            QSKIP("needs a PostgreSQL server that the test may stop");
        program_ = std::make_unique<ProgramWindows>(fakes_->ui);
        resetLoginCommandLine();
        fakes_->ui.arguments = db_.commandLine(DemoLogin::userCode, DemoLogin::password);
        FMStart &window = program_->mainWindow;
        window.Form_Load();
        QTRY_VERIFY(window.Timer1.isActive());
        cluster(QStringLiteral("pause"));
        cluster(QStringLiteral("resume"));
        const QString id = db_.swipe(QStringLiteral("424242"), QStringLiteral("202401310705"));
        QTRY_COMPARE_WITH_TIMEOUT(window.litime->rowCount(), 1, 5000);
        QCOMPARE(window.litime->keyText(0), id);
        QVERIFY(fakes_->ui.messages.isEmpty());
        QCOMPARE(fakes_->ui.endProgramCalls, 0);
    }

    void twoWorkstationsAssigningTheSameBooking()
    {
        constexpr int rounds = 20;
        for (int round = 0; round < rounds; ++round) {
            const QString card = QString::number(700000 + round);
            const QString id = db_.swipe(card, QStringLiteral("202401310705"));
            std::atomic<int> ready{0};
            QStringList outcomes[2];
            auto workstation = [&](int index, const QString &employee) {
                try {
                    Workstation station(db_.connectionString());
                    const QString field = station.cardOf(id);
                    ++ready;
                    while (ready < 2) {
                    }
                    const bool asked = station.assign(id, field, employee) == Workstation::Outcome::UserAsked;
                    outcomes[index] << (asked ? QStringLiteral("asked") : QStringLiteral("assigned"));
                } catch (const CacheError &error) {
                    outcomes[index] << QString::number(error.number());
                }
            };
            std::thread first(workstation, 0, QStringLiteral("1001"));
            std::thread second(workstation, 1, QStringLiteral("1002"));
            first.join();
            second.join();
            // One assigns; the other is asked before the card could change hands, never moves it silently.
            QStringList both = outcomes[0] + outcomes[1];
            both.sort();
            QCOMPARE(both, (QStringList{QStringLiteral("asked"), QStringLiteral("assigned")}));
            const QString winner = outcomes[0].first() == QLatin1String("assigned") ? QStringLiteral("1001")
                                                                                    : QStringLiteral("1002");
            const QString field = card.rightJustified(10, QLatin1Char(' '));
            QCOMPARE(db_.column(QStringLiteral("SELECT pnr FROM karte WHERE firma = '1' AND karte = ?"), {field}),
                     QVariantList{winner});
            // The swipe is booked once, to the employee who holds the card.
            QCOMPARE(db_.column(QStringLiteral("SELECT pnr FROM stempelung WHERE id = ? AND pnr IS NOT NULL"), {id.toLongLong()}),
                     QVariantList{winner});
            QCOMPARE(db_.column(QStringLiteral("SELECT count(*) FROM stempelung WHERE id = ? AND pnr IS NULL AND erledigt_am IS NULL"), {id.toLongLong()})
                         .value(0)
                         .toInt(),
                     0);
        }
    }

    void manyWorkstationsPollingWhileBookingsArrive()
    {
        LoadSettings settings;
        settings.workstations = 10;
        settings.assigningWorkstations = 3;
        settings.pollIntervalMs = 100;
        settings.newBookingsCheckMs = 1000;
        settings.push = db_.kind() == EngineKind::Postgres;
        settings.bookingsPerSecond = 20;
        settings.seconds = 4;
        const LoadResult result = runLoad(db_.kind(), db_.target(), settings);
        QVERIFY2(result.errors.isEmpty(), qPrintable(result.errors.join('\n')));
        QVERIFY(result.bookingsAdded > 20);
        QVERIFY(result.assignments > 0);
        QCOMPARE(result.lost, 0);
        QCOMPARE(result.bookedTwice, 0);
        // Every workstation read its list; those with rows asked for new ones
        // only where the server does not tell of them.
        QVERIFY(result.pollMilliseconds.size() > settings.workstations);
        QCOMPARE(result.checkMilliseconds.isEmpty(), settings.push);
        QCOMPARE(result.notices > 0, settings.push);
        qInfo("%d bookings, %d assigned; poll p50 %.2f ms, p95 %.2f ms, p99 %.2f ms",
              result.bookingsAdded, result.assignments, result.pollPercentile(0.5),
              result.pollPercentile(0.95), result.pollPercentile(0.99));
    }
};

QTEST_MAIN(TestReliability)
#include "test_reliability.moc"
