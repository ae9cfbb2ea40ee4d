// Who a swipe belongs to, kept by the database: each swipe stored once, open
// or booked to one employee, and moved only with the assignment that gave it.
// Runs on the engine that KARVEN_ENGINE names; the races on PostgreSQL.

#include "cacheapi/objects/cacheerror.h"
#include "cacheapi/objects/passwordsecret.h"
#include "engine/cardassignment.h"
#include "engine/engineerrors.h"
#include "engine/ledger/ledgercheck.h"
#include "engine/login/serverlogin.h"
#include "engine/schema.h"
#include "engine/session.h"
#include "engine/sqlfactory.h"
#include "engine/timeclock.h"
#include "tests/support/enginefixture.h"

#include "tests/tools/adminprocess.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <thread>

namespace {

using Kind = CardBooking::Kind;

} // namespace

class TestLedger : public QObject
{
    Q_OBJECT

private:
    EngineFixture db_;
    std::unique_ptr<SqlFactory> factory_;

    CardBooking swipe(const QString &card, const QString &time,
                      const QString &company = QStringLiteral("1"),
                      const QString &terminal = QStringLiteral("T1"),
                      const QString &branch = QString())
    {
        CardBooking booked{};
        db_.withSession([&](Session &session) {
            booked = bookCard(session, company, terminal, QStringLiteral("K"), card, time, branch);
        });
        return booked;
    }

    // Logs in as a user of the test data, then sets the server context as the program does.
    void context(const QString &user)
    {
        const QString password = user == QLatin1String("M]L") ? QStringLiteral("geheim") : QStringLiteral("geteilt");
        QCOMPARE(factory_->logIn({QStringLiteral("1"), QStringLiteral("3"), user, PasswordSecret::derive(password)})
                     .status,
                 LoginAnswer::Status::LoggedIn);
        auto windows = factory_->newObject(QStringLiteral("KV.Windows"));
        QVariantList command{QStringLiteral("S FIRMA=1,FIL=3,PERSONAL=\"%1\"").arg(user)};
        windows->call(QStringLiteral("Xecute"), command);
    }

    // As the window assigns: with the holder it saw, or none.
    void assign(const QString &employee, const QString &card, const QString &holderSeen = QString())
    {
        auto noPers = factory_->newObject(QStringLiteral("Quastel.NoPers"));
        QVariantList arguments{QStringLiteral("1"), employee, card};
        if (!holderSeen.isNull())
            arguments << holderSeen;
        noPers->call(QStringLiteral("setkarte"), arguments);
    }

    void correct(qint64 assignment, const QString &employee)
    {
        auto log = factory_->newObject(QStringLiteral("Quastel.Kartenzuordnung"));
        QVariantList arguments{assignment, employee};
        log->call(QStringLiteral("korrigieren"), arguments);
    }

    qint64 cardHeldBy(const QString &card)
    {
        return db_
            .column(QStringLiteral("SELECT zuordnung_id FROM karte WHERE trim(karte) = ?"), {card})
            .value(0)
            .toLongLong();
    }

    // "time=holder" for each swipe of the card, in the order they were stored.
    QStringList holders(const QString &card)
    {
        QStringList found;
        for (const QVariant &row : db_.column(
                 QStringLiteral("SELECT substr(buchungstext, 31, 12) || '=' || COALESCE(pnr, '-')"
                                " FROM stempelung WHERE trim(karte) = ? ORDER BY id"),
                 {card}))
            found << row.toString();
        return found;
    }

    LedgerFindings ledger()
    {
        LedgerFindings findings;
        db_.withSession([&](Session &session) { findings = checkLedger(session); });
        return findings;
    }

    void requireCleanLedger()
    {
        const LedgerFindings findings = ledger();
        QVERIFY2(findings.violations.isEmpty(),
                 qPrintable(findings.violations.join(QLatin1Char('\n'))));
    }

    // karven-admin and the fixture of another database work as the tables' owner.
    [[nodiscard]] auto asOwner() const
    {
        const QByteArray user = qgetenv("PGUSER");
        if (db_.kind() == EngineKind::Postgres)
            qputenv("PGUSER", db_.target().user.toUtf8());
        return qScopeGuard([user] { qputenv("PGUSER", user); });
    }

    Outcome runAdmin(const QStringList &arguments)
    {
        const auto owner = asOwner();
        return runAdminProgram(arguments + adminTarget());
    }

    QStringList adminTarget() const
    {
        return {QStringLiteral("--engine"),    engineName(db_.kind()),
                QStringLiteral("--server"),    db_.target().host,
                QStringLiteral("--port"),      QString::number(db_.target().port),
                QStringLiteral("--namespace"), db_.target().nameSpace};
    }

    // Runs work on a connection of its own in another thread, while this one
    // holds a transaction open; returns once the other waits for a lock.
    class Contender
    {
    public:
        Contender(const EngineFixture &db, std::function<void(Session &)> work)
            : thread_([this, kind = db.kind(), target = db.target(), work] {
                  Session session(kind, target);
                  try {
                      if (!session.open())
                          error_ = session.lastError();
                      else
                          work(session);
                  } catch (const CacheError &failed) {
                      error_ = failed.description();
                  }
              })
        {}
        ~Contender()
        {
            if (thread_.joinable())
                thread_.join();
        }
        QString finish()
        {
            thread_.join();
            return error_;
        }

    private:
        QString error_;
        std::thread thread_;
    };

    bool someoneWaitsForALock(int waiting)
    {
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < 10000) {
            if (db_
                    .column(QStringLiteral(
                        "SELECT count(*) FROM pg_stat_activity WHERE wait_event_type = 'Lock'"
                        " AND datname = current_database()"))
                    .value(0)
                    .toInt() >= waiting)
                return true;
            QThread::msleep(10);
        }
        return false;
    }

private Q_SLOTS:
    void initTestCase()
    {
        KARVEN_SET_UP_ENGINE_OR_SKIP(db_, QStringLiteral("LEDGERTEST"));
        db_.exec(QStringLiteral(
                     "INSERT INTO parpersedv (firma, code, passwort, aktiv, pname, pnr, abtnr, bergrp)"
                     " VALUES ('1', 'M]L', ?, 'J', 'M}ller', '1001', '10', 'A'),"
                     " ('1', 'ABC', ?, 'J', 'Abel', '1002', '10', 'B')"),
                 {PasswordSecret::derive(QStringLiteral("geheim")), PasswordSecret::derive(QStringLiteral("geteilt"))});
        db_.exec(QStringLiteral("INSERT INTO parpersabt (firma, abtnr) VALUES ('1', '10')"));
        db_.exec(QStringLiteral(
            "INSERT INTO persbasis (firma, pnr, name, vorname, aktiv) VALUES"
            " ('1', '1001', 'M}ller', 'J}rgen', 'J'), ('1', '1002', 'Abel', 'Carl', 'J'),"
            " ('1', '1003', 'Aal', 'Anna', 'N'), ('1', '1004', 'Berg', 'Uwe', 'J')"));
    }

    void init()
    {
        for (const char *table :
             {"kartenzuordnung_stempelung", "stempelung", "karte", "kartenzuordnung"})
            db_.exec(QStringLiteral("DELETE FROM ") + QLatin1String(table));
        factory_ = std::make_unique<SqlFactory>(db_.kind());
        QVERIFY2(factory_->connect(db_.connectionString()),
                 qPrintable(factory_->lastConnectError()));
    }

    void cleanupTestCase() { db_.tearDown(); }

    void aSwipeIsStoredOnce_data()
    {
        QTest::addColumn<QString>("company");
        QTest::addColumn<QString>("terminal");
        QTest::addColumn<QString>("branch");
        QTest::addColumn<QString>("time");
        QTest::addColumn<int>("kind");
        QTest::newRow("the same swipe again") << "1"
                                              << "T1"
                                              << ""
                                              << "202603011200" << int(Kind::BookedBefore);
        QTest::newRow("from a file that names the branch")
            << "1"
            << "T1"
            << "3"
            << "202603011200" << int(Kind::BookedBefore);
        QTest::newRow("company written 01") << "01"
                                            << "T1"
                                            << ""
                                            << "202603011200" << int(Kind::BookedBefore);
        QTest::newRow("a minute later") << "1"
                                        << "T1"
                                        << ""
                                        << "202603011201" << int(Kind::UnassignedBooking);
        QTest::newRow("at another terminal") << "1"
                                             << "T2"
                                             << ""
                                             << "202603011200" << int(Kind::UnassignedBooking);
        QTest::newRow("in another company") << "2"
                                            << "T1"
                                            << ""
                                            << "202603011200" << int(Kind::UnassignedBooking);
    }

    void aSwipeIsStoredOnce()
    {
        QFETCH(QString, company);
        QFETCH(QString, terminal);
        QFETCH(QString, branch);
        QFETCH(QString, time);
        QFETCH(int, kind);
        QCOMPARE(swipe(QStringLiteral("4711"), QStringLiteral("202603011200")).kind,
                 Kind::UnassignedBooking);
        const CardBooking again = swipe(QStringLiteral("4711"), time, company, terminal, branch);
        QCOMPARE(int(again.kind), kind);
        const int stored = kind == int(Kind::BookedBefore) ? 1 : 2;
        QCOMPARE(db_.column(QStringLiteral("SELECT count(*) FROM stempelung")).value(0).toInt(),
                 stored);
        QCOMPARE(db_.column(QStringLiteral(
                                "SELECT count(*) FROM stempelung WHERE firma NOT IN ('1', '2')"))
                     .value(0)
                     .toInt(),
                 0);
    }

    void aBatchStoresEachSwipeOnceAndToWhoeverHoldsTheCard()
    {
        context(QStringLiteral("ABC"));
        assign(QStringLiteral("1002"), QStringLiteral("4711"), QStringLiteral(""));
        const Swipe held{
            QStringLiteral("01"),   QStringLiteral("T1"),           QStringLiteral("G"),
            QStringLiteral("4711"), QStringLiteral("202603011630"), QString()};
        const Swipe open{QStringLiteral("1"),   QStringLiteral("T1"),           QStringLiteral("K"),
                         QStringLiteral("815"), QStringLiteral("202603010700"), QString()};
        QVector<SwipeOutcome> outcomes;
        db_.withSession([&](Session &session) {
            outcomes = SwipeBatch(session).book({held, open, held, open});
        });
        QVector<SwipeOutcome::Kind> kinds;
        for (const SwipeOutcome &outcome : outcomes)
            kinds << outcome.kind;
        QCOMPARE(kinds, (QVector<SwipeOutcome::Kind>{
                            SwipeOutcome::TimeBooking, SwipeOutcome::UnassignedBooking,
                            SwipeOutcome::BookedBefore, SwipeOutcome::BookedBefore}));
        QCOMPARE(outcomes.first().employee, QStringLiteral("1002"));
        QCOMPARE(holders(QStringLiteral("4711")), QStringList{"202603011630=1002"});
        requireCleanLedger();
    }

    void aCorrectionMovesEverythingTheWrongAssignmentGave()
    {
        context(QStringLiteral("ABC"));
        swipe(QStringLiteral("6060"), QStringLiteral("202603020700"));
        assign(QStringLiteral("1002"), QStringLiteral("6060"), QStringLiteral(""));
        const qint64 wrong = cardHeldBy(QStringLiteral("6060"));
        // A late file: yesterday's swipe at a second terminal, booked to whoever holds the card
        // now.
        swipe(QStringLiteral("6060"), QStringLiteral("202603011700"), QStringLiteral("1"),
              QStringLiteral("T2"));
        QCOMPARE(holders(QStringLiteral("6060")),
                 (QStringList{"202603020700=1002", "202603011700=1002"}));

        context(QStringLiteral("M]L"));
        correct(wrong, QStringLiteral("1004"));
        QCOMPARE(holders(QStringLiteral("6060")),
                 (QStringList{"202603020700=1004", "202603011700=1004"}));

        // A correction of the correction carries them on, with what came since.
        swipe(QStringLiteral("6060"), QStringLiteral("202603021600"));
        correct(cardHeldBy(QStringLiteral("6060")), QStringLiteral("1001"));
        QCOMPARE(holders(QStringLiteral("6060")),
                 (QStringList{"202603020700=1001", "202603011700=1001", "202603021600=1001"}));
        // Only the assignment the card is held by can be corrected.
        try {
            correct(wrong, QStringLiteral("1002"));
            QFAIL("an assignment no longer in force was corrected");
        } catch (const CacheError &refused) {
            QCOMPARE(refused.number(), qint32(EngineError::AssignmentRefused));
        }
        // The log names what each correction moved: its two rows, not empty booking columns.
        QStringList swipeIds;
        for (const QVariant &id : db_.column(QStringLiteral(
                 "SELECT id FROM stempelung WHERE trim(karte) = '6060' ORDER BY id")))
            swipeIds << id.toString();
        const Outcome log =
            runAdmin({QStringLiteral("log"), QStringLiteral("--card"), QStringLiteral("6060")});
        const QStringList rows = log.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(rows.size(), 3);
        QVERIFY2(rows.at(1).endsWith(QStringLiteral("\tKorrektur\tMÜL\t\t") +
                                     swipeIds.mid(0, 2).join(QLatin1Char(','))),
                 qPrintable(rows.at(1)));
        QVERIFY2(rows.at(2).endsWith(QStringLiteral("\tKorrektur\tMÜL\t\t") +
                                     swipeIds.join(QLatin1Char(','))),
                 qPrintable(rows.at(2)));
        requireCleanLedger();
    }

    void aCardChangingHandsTakesOnlyWhatTheOverriddenAssignmentBooked()
    {
        context(QStringLiteral("ABC"));
        swipe(QStringLiteral("5050"), QStringLiteral("202603020700"));
        assign(QStringLiteral("1001"), QStringLiteral("5050"), QStringLiteral(""));
        // Handed on by a caller that does not ask: the first booking stays with 1001.
        assign(QStringLiteral("1002"), QStringLiteral("5050"));
        swipe(QStringLiteral("5050"), QStringLiteral("202603030700"));
        QCOMPARE(holders(QStringLiteral("5050")),
                 (QStringList{"202603020700=1001", "202603030700=1002"}));
        swipe(QStringLiteral("5050"), QStringLiteral("202603040700"), QStringLiteral("1"),
              QStringLiteral("T9"));
        db_.exec(QStringLiteral(
            "UPDATE stempelung SET pnr = NULL, zuordnung_id = NULL WHERE buchungstext LIKE 'T9%'"));
        // Back to 1001, confirmed: he gets the open swipe, not 1002's own.
        assign(QStringLiteral("1001"), QStringLiteral("5050"), QStringLiteral("1002"));
        // And confirmed on to 1004: what that assignment booked moves, nothing older.
        assign(QStringLiteral("1004"), QStringLiteral("5050"), QStringLiteral("1001"));
        QCOMPARE(holders(QStringLiteral("5050")),
                 (QStringList{"202603020700=1001", "202603030700=1002", "202603040700=1004"}));
        requireCleanLedger();
    }

    void aSwipeTakenOffTheListSaysByWhomAndCanBeReopened()
    {
        const qint64 open = swipe(QStringLiteral("8080"), QStringLiteral("202603020700")).id;
        const qint64 otherCompany =
            swipe(QStringLiteral("8080"), QStringLiteral("202603020700"), QStringLiteral("2")).id;
        context(QStringLiteral("ABC"));
        for (const qint64 id : {open, otherCompany}) {
            auto booking = factory_->newObject(QStringLiteral("Quastel.NoPers"));
            QVariantList argument{id};
            booking->call(QStringLiteral("sys_deleteid"), argument);
        }
        QCOMPARE(db_.column(QStringLiteral(
                     "SELECT id || ' ' || erledigt_von || ' ' || erledigt_kontext FROM stempelung"
                     " WHERE erledigt_am IS NOT NULL")),
                 QVariantList{QStringLiteral("%1 ABC FIRMA=1 FIL=3").arg(open)});

        const Outcome listed =
            runAdmin({QStringLiteral("unassigned"), QStringLiteral("--erledigt")});
        QCOMPARE(listed.exitCode, 0);
        QVERIFY2(listed.out.startsWith(QString::number(open) + QStringLiteral("\t1\t")),
                 qPrintable(listed.out));
        QVERIFY2(listed.out.contains(QStringLiteral("\tABC\tFIRMA=1 FIL=3\t")),
                 qPrintable(listed.out));
        const QStringList reopen{QStringLiteral("reopen"), QStringLiteral("--id"),
                                 QString::number(open)};
        QCOMPARE(runAdmin(reopen).exitCode, 0);
        QCOMPARE(runAdmin(reopen).exitCode, 1); // open again: nothing to reopen
        QCOMPARE(
            db_
                .column(QStringLiteral(
                    "SELECT count(*) FROM stempelung WHERE pnr IS NULL AND erledigt_am IS NULL"))
                .value(0)
                .toInt(),
            2);
    }

    void theCheckFindsWhatTheSchemaCannotRefuse()
    {
        context(QStringLiteral("ABC"));
        swipe(QStringLiteral("9090"), QStringLiteral("202603020700"));
        assign(QStringLiteral("1002"), QStringLiteral("9090"), QStringLiteral(""));
        requireCleanLedger();
        QCOMPARE(runAdmin({QStringLiteral("check")}).exitCode, 0);
        // Booked to someone else than its assignment names, behind the log's back.
        db_.exec(QStringLiteral("UPDATE stempelung SET pnr = '1004'"));
        db_.exec(QStringLiteral("UPDATE karte SET pnr = '1001'"));
        const QStringList violations = ledger().violations;
        QCOMPARE(violations.size(), 2);
        QVERIFY2(violations.first().contains(QStringLiteral("1004")),
                 qPrintable(violations.first()));
        const Outcome checked = runAdmin({QStringLiteral("check")});
        QCOMPARE(checked.exitCode, 1);
        QVERIFY2(checked.out.contains(QStringLiteral("Karte 9090 gehört Mitarbeiter 1001")),
                 qPrintable(checked.out));
    }

    void anUpgradeKeepsEveryRowAndSetsDoubledSwipesAside()
    {
        // A database of its own; the fixture points the data folder at it.
        const QByteArray dataDir = qgetenv("KARVEN_DATA_DIR");
        const auto owner = asOwner();
        EngineFixture old{EngineFixture::ProgramRole::Owner};
        QVERIFY(old.setUp(QStringLiteral("LEDGEROLD")));
        const auto restoreDataDir = qScopeGuard([&] { qputenv("KARVEN_DATA_DIR", dataDir); });
        const QString text = QStringLiteral("T1       K          ");
        old.withSession([&](Session &session) {
            for (const QString &table : session.tables())
                if (!table.startsWith(QLatin1String("sqlite_")))
                    session.exec(QStringLiteral("DROP TABLE %1%2")
                                     .arg(table, session.kind() == EngineKind::Postgres
                                                     ? QStringLiteral(" CASCADE")
                                                     : QString()));
            if (session.kind() == EngineKind::Postgres)
                session.exec(QStringLiteral("DROP SCHEMA arbeitsplatz, intern CASCADE"));
            createSchemaAtVersion(session, 6);
            // Open, doubled while open, booked by an assignment, booked twice
            // by two imports at once, and of company "01".
            session.exec(
                QStringLiteral(
                    "INSERT INTO nopers (id, firma, karte, buchungstext, erledigt_am) VALUES"
                    " (1, '1', '        11', ?, NULL), (2, '1', '        22', ?, NULL),"
                    " (3, '1', '        22', ?, NULL), (4, '1', '        33', ?, '20260301120000'),"
                    " (5, '01', '        55', ?, NULL)"),
                {text + QStringLiteral("        11202603010700"),
                 text + QStringLiteral("        22202603010700"),
                 text + QStringLiteral("        22202603010700"),
                 text + QStringLiteral("        33202603010700"),
                 text + QStringLiteral("        55202603010700")});
            session.exec(QStringLiteral(
                "INSERT INTO kartenzuordnung (id, firma, karte, pnr_vorher, pnr, art, von, am)"
                " VALUES (1, '1', '        33', '', '1001', 'Z', 'ABC', '20260301120000')"));
            session.exec(QStringLiteral(
                "INSERT INTO karte (firma, karte, pnr) VALUES ('1', '        33', '1001')"));
            session.exec(QStringLiteral(
                "INSERT INTO kartenzuordnung_buchung (zuordnung_id, nopers_id) VALUES (1, 4)"));
            session.exec(
                QStringLiteral("INSERT INTO zeitbuchung (id, firma, pnr, karte, zeitpunkt, "
                               "buchungstext, nopers_id)"
                               " VALUES (1, '1', '1001', '        33', '202603010700', ?, 4),"
                               " (2, '1', '1001', '        33', '202603011600', ?, NULL),"
                               " (3, '1', '1001', '        33', '202603011600', ?, NULL)"),
                {text + QStringLiteral("        33202603010700"),
                 text + QStringLiteral("        33202603011600"),
                 text + QStringLiteral("        33202603011600")});
            // A user whose password was kept as typed.
            session.exec(QStringLiteral("INSERT INTO parpersedv (firma, code, passwort, aktiv, pnr, abtnr)"
                                        " VALUES ('1', 'ALT', 'früher', 'J', '1001', '10')"));
            session.exec(QStringLiteral("INSERT INTO parpersabt (firma, abtnr) VALUES ('1', '10')"));
            session.exec(QStringLiteral("INSERT INTO persbasis (firma, pnr) VALUES ('1', '1001')"));
        });
        if (old.kind() == EngineKind::Postgres) {
            // Any role may hold the upgrade's lock; the upgrade waits no longer than
            // the server's lock_timeout and says who holds it.
            QSqlDatabase holder = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("lockholder"));
            holder.setHostName(old.target().host);
            holder.setPort(old.target().port);
            holder.setDatabaseName(old.target().databaseName());
            holder.setUserName(db_.programUser());
            QVERIFY2(holder.open(), qPrintable(holder.lastError().text()));
            QSqlQuery(holder).exec(QStringLiteral("SELECT pg_advisory_lock(1973)"));
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert(QStringLiteral("PGOPTIONS"), QStringLiteral("-c lock_timeout=300"));
            environment.insert(QStringLiteral("PGUSER"), old.target().user);
            const Outcome waited = runAdminProgram(
                {QStringLiteral("create"), QStringLiteral("--engine"), QStringLiteral("postgres"),
                 QStringLiteral("--server"), old.target().host, QStringLiteral("--port"),
                 QString::number(old.target().port), QStringLiteral("--namespace"), old.target().nameSpace},
                environment);
            holder.close();
            holder = QSqlDatabase();
            QSqlDatabase::removeDatabase(QStringLiteral("lockholder"));
            QCOMPARE(waited.exitCode, 1);
            QVERIFY2(waited.err.contains(QStringLiteral("wartet seit 0.3 s auf ihre Sperre")) &&
                         waited.err.contains(QStringLiteral("Rolle ") + db_.programUser()),
                     qPrintable(waited.err));
        }
        old.withSession([&](Session &session) {
            upgradeSchema(session);
            QCOMPARE(logInOnSession(session, {QStringLiteral("1"), QStringLiteral("0"), QStringLiteral("ALT"),
                                              PasswordSecret::derive(QStringLiteral("früher"))})
                         .status,
                     LoginAnswer::Status::LoggedIn);
        });
        const auto column = [&](const QString &sql) {
            QStringList values;
            old.withSession([&](Session &session) {
                QSqlQuery rows = session.exec(sql);
                while (rows.next())
                    values << rows.value(0).toString();
            });
            return values;
        };
        // Every row kept; the unassigned bookings under their ids, the time bookings of their own
        // above them.
        QCOMPARE(column(QStringLiteral(
                     "SELECT id || ' ' || firma || ' ' || trim(karte) || ' ' || COALESCE(pnr, '-')"
                     " || ' ' || COALESCE(CAST(doppelt_von AS TEXT), '-') || ' '"
                     " || COALESCE(CAST(zuordnung_id AS TEXT), '-') FROM stempelung ORDER BY id")),
                 (QStringList{"1 1 11 - - -", "2 1 22 - - -", "3 1 22 - 2 -", "4 1 33 1001 - 1",
                              "5 1 55 - - -", "7 1 33 1001 - 1", "8 1 33 1001 7 1"}));
        QCOMPARE(column(QStringLiteral("SELECT stempel_id FROM kartenzuordnung_stempelung")),
                 QStringList{"4"});
        QCOMPARE(column(QStringLiteral("SELECT zuordnung_id FROM karte")), QStringList{"1"});
        LedgerFindings findings;
        old.withSession([&](Session &session) {
            findings = checkLedger(session);
            // Ids go on above every id handed out before.
            QCOMPARE(bookCard(session, QStringLiteral("1"), QStringLiteral("T1"),
                              QStringLiteral("K"), QStringLiteral("66"),
                              QStringLiteral("202603010700"))
                         .id,
                     9);
        });
        QCOMPARE(findings.violations, QStringList());
        QCOMPARE(findings.notes.size(), 2);
        QVERIFY2(findings.notes.first().contains(QStringLiteral("Buchung 3")),
                 qPrintable(findings.notes.first()));
        old.tearDown();
    }

    // Two importers of one swipe: the second waits for the first and stores nothing.
    // Against the import: a correction, which takes the swipe along, or a
    // confirmed change of hands, which leaves the holder's own swipe with him.
    void racesAreDecidedByTheDatabase_data()
    {
        QTest::addColumn<int>("round");
        QTest::addColumn<bool>("correcting");
        QTest::addColumn<QString>("holder");
        for (int round = 0; round < 2; ++round) {
            QTest::addRow("correction %d", round) << round << true << "1004";
            QTest::addRow("change of hands %d", round) << round + 2 << false << "1002";
        }
    }

    void racesAreDecidedByTheDatabase()
    {
        if (db_.kind() != EngineKind::Postgres)
            QSKIP("SQLite lets one writer in at a time");
        QFETCH(int, round);
        QFETCH(bool, correcting);
        QFETCH(QString, holder);
        const QString time = QStringLiteral("2026030107%1").arg(round, 2, 10, QLatin1Char('0'));
        context(QStringLiteral("ABC"));
        assign(QStringLiteral("1002"), QStringLiteral("4242"), QStringLiteral(""));
        const qint64 wrong = cardHeldBy(QStringLiteral("4242"));

        // The first importer holds its swipe uncommitted while a second one
        // stores the same swipe and a user changes the card's holder.
        CardBooking second{};
        std::unique_ptr<Contender> importer;
        std::unique_ptr<Contender> corrector;
        db_.withSession([&](Session &first) {
            first.transaction([&] {
                QCOMPARE(bookCard(first, QStringLiteral("1"), QStringLiteral("T1"),
                                  QStringLiteral("K"), QStringLiteral("4242"), time)
                             .kind,
                         Kind::TimeBooking);
                importer = std::make_unique<Contender>(db_, [&](Session &session) {
                    second = bookCard(session, QStringLiteral("1"), QStringLiteral("T1"),
                                      QStringLiteral("K"), QStringLiteral("4242"), time);
                });
                QVERIFY(someoneWaitsForALock(1));
                corrector = std::make_unique<Contender>(db_, [&](Session &session) {
                    session.variables().insert(QStringLiteral("PERSONAL"), QStringLiteral("M]L"));
                    if (correcting)
                        correctAssignment(session, wrong, QStringLiteral("1004"));
                    else
                        assignCard(session, QStringLiteral("1"), QStringLiteral("1004"),
                                   QStringLiteral("4242"), QStringLiteral("1002"));
                });
                QVERIFY(someoneWaitsForALock(2));
            });
        });
        QCOMPARE(importer->finish(), QString());
        QCOMPARE(corrector->finish(), QString());
        QCOMPARE(second.kind, Kind::BookedBefore);
        QCOMPARE(holders(QStringLiteral("4242")), QStringList{time + QLatin1Char('=') + holder});
        QCOMPARE(db_.column(QStringLiteral("SELECT pnr FROM karte")),
                 QVariantList{QStringLiteral("1004")});
        requireCleanLedger();
    }

    // Real processes at once: two imports of one file, while a card is assigned and corrected.
    void parallelImportsStoreEachSwipeOnce()
    {
        QTemporaryDir folder;
        QByteArray content = "Firma;Terminal;Karte;Art;Datum;Uhrzeit\n";
        for (int minute = 0; minute < 2000; ++minute)
            content += QStringLiteral("1;T%1;%2;K;02.03.2026;%3:%4\n")
                           .arg(minute / 1440)
                           .arg(minute % 7 == 0 ? QStringLiteral("4711")
                                                : QString::number(100 + minute % 50))
                           .arg(minute / 60 % 24, 2, 10, QLatin1Char('0'))
                           .arg(minute % 60, 2, 10, QLatin1Char('0'))
                           .toUtf8();
        const QString file = folder.filePath(QStringLiteral("uhr.csv"));
        QFile out(file);
        QVERIFY(out.open(QIODevice::WriteOnly) && out.write(content) == content.size());
        out.close();
        for (int round = 0; round < 2; ++round) {
            const auto owner = asOwner();
            QVector<QProcess *> importers;
            for (int i = 0; i < 2; ++i) {
                auto *process = new QProcess(this);
                process->start(adminProgram(), QStringList{QStringLiteral("swipes"),
                                                           QStringLiteral("--file"), file} +
                                                   adminTarget());
                importers << process;
            }
            // The card assigned to the wrong employee and corrected while they run.
            if (round == 0) {
                context(QStringLiteral("ABC"));
                assign(QStringLiteral("1002"), QStringLiteral("4711"), QStringLiteral(""));
                context(QStringLiteral("M]L"));
                correct(cardHeldBy(QStringLiteral("4711")), QStringLiteral("1004"));
            }
            // Each swipe stored by one of them; the other one says so.
            int bookedBefore = 0;
            for (QProcess *process : importers) {
                QVERIFY(process->waitForFinished(120000));
                const QString said = QString::fromUtf8(process->readAllStandardOutput());
                QVERIFY2(process->exitCode() == 0, process->readAllStandardError().constData());
                bookedBefore += said.section(QStringLiteral(" schon gebucht"), 0, 0)
                                    .section(QLatin1Char(' '), -1)
                                    .toInt();
                delete process;
            }
            QCOMPARE(bookedBefore, round == 0 ? 2000 : 4000);
        }
        QCOMPARE(db_.column(QStringLiteral("SELECT count(*) FROM stempelung")).value(0).toInt(),
                 2000);
        const Outcome checked = runAdmin({QStringLiteral("check")});
        QVERIFY2(checked.exitCode == 0, qPrintable(checked.out + checked.err));
    }
};

QTEST_GUILESS_MAIN(TestLedger)
#include "test_ledger.moc"
