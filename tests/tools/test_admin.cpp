// The time clock, the demo data and the karven-admin program, on the engine
// that KARVEN_ENGINE names (the suite runs on SQLite and on PostgreSQL).

#include "cacheapi/objects/cacheerror.h"
#include "cacheapi/objects/passwordsecret.h"
#include "engine/cardassignment.h"
#include "engine/commandsession.h"
#include "engine/connectionfailure.h"
#include "engine/databaseadmin.h"
#include "engine/engineerrors.h"
#include "engine/enginenotices.h"
#include "engine/login/serverlogin.h"
#include "engine/session.h"
#include "engine/sqlfactory.h"
#include "engine/storedform.h"
#include "engine/timeclock.h"
#include "tests/support/enginefixture.h"
#include "tools/admincommands.h"
#include "tools/commandline/commandline.h"
#include "tools/demodata.h"

#include "tests/tools/adminprocess.h"
#include <QDate>
#include <QFile>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTimeZone>

#include <QTest>
#include <tuple>

namespace {

const QString swipeTime = QStringLiteral("202401310705");

} // namespace

class TestAdmin : public QObject
{
    Q_OBJECT

private:
    // karven-admin works as the owner of the tables.
    EngineFixture db_{EngineFixture::ProgramRole::Owner};
    std::unique_ptr<Session> session_;

    QStringList targetArguments(const QString &nameSpace = QString()) const
    {
        return {QStringLiteral("--engine"),
                engineName(db_.kind()),
                QStringLiteral("--server"),
                db_.target().host,
                QStringLiteral("--port"),
                QString::number(db_.target().port),
                QStringLiteral("--namespace"),
                nameSpace.isEmpty() ? db_.target().nameSpace : nameSpace};
    }

    Outcome runInProcess(const QStringList &arguments)
    {
        const CommandLine line = parseCommandLine(QStringList{QStringLiteral("karven-admin")} +
                                                  arguments + targetArguments());
        Outcome outcome;
        if (line.outcome != CommandLine::Run) {
            outcome.err = line.message;
            return outcome;
        }
        QTextStream out(&outcome.out);
        QTextStream err(&outcome.err);
        outcome.exitCode = runAdminCommand(line.options, out, err);
        out.flush();
        err.flush();
        return outcome;
    }

    QVariantList column(const QString &sql, const QVariantList &values = {})
    {
        QSqlQuery query = session_->exec(sql, values);
        QVariantList result;
        while (query.next())
            result << query.value(0);
        return result;
    }

    int count(const QString &sql, const QVariantList &values = {})
    {
        return column(sql, values).value(0).toInt();
    }

    int bookingRows()
    {
        return count(QStringLiteral(
            "SELECT (SELECT count(*) FROM stempelung WHERE pnr IS NULL) + (SELECT count(*) FROM stempelung WHERE pnr IS NOT NULL)"));
    }

    // This process's environment on a machine that keeps German time.
    static QProcessEnvironment inBerlin()
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("TZ"), QStringLiteral("Europe/Berlin"));
        return environment;
    }

    void giveCard(const QString &company, const QString &card, const QString &employee)
    {
        session_->exec(QStringLiteral("INSERT INTO karte (firma, karte, pnr) VALUES (?, ?, ?)"),
                       {company, cardField(card), employee});
    }

private Q_SLOTS:
    void initTestCase()
    {
        KARVEN_SET_UP_ENGINE_OR_SKIP(db_, QStringLiteral("ADMINTEST"));
        session_ = std::make_unique<Session>(db_.kind(), db_.target());
        QVERIFY2(session_->open(), qPrintable(session_->lastError()));
    }

    void init()
    {
        for (const char *table : {"kartenzuordnung_stempelung", "stempelung", "karte", "kartenzuordnung",
                                  "parpersedv", "parpersabt", "persbasis", "kassasw", "globale"})
            session_->exec(QStringLiteral("DELETE FROM ") + QLatin1String(table));
    }

    void cleanupTestCase()
    {
        session_.reset();
        db_.tearDown();
    }

    void swipeOfAnOwnedCardIsTheOwnersTimeBooking()
    {
        giveCard(QStringLiteral("1"), QStringLiteral("4711"), QStringLiteral("1002"));
        const CardBooking booking =
            bookCard(*session_, QStringLiteral("1"), QStringLiteral("FIL01T1"), QStringLiteral("G"),
                     QStringLiteral("4711"), swipeTime);
        QCOMPARE(booking.kind, CardBooking::TimeBooking);
        QCOMPARE(booking.employee, QStringLiteral("1002"));
        QSqlQuery row = session_->exec(
            QStringLiteral("SELECT firma, pnr, karte, substr(buchungstext, 31, 12), buchungstext, zuordnung_id IS NULL"
                           " FROM stempelung WHERE pnr IS NOT NULL AND id = ?"),
            {booking.id});
        QVERIFY(row.next());
        QCOMPARE(row.value(0).toString(), QStringLiteral("1"));
        QCOMPARE(row.value(1).toString(), QStringLiteral("1002"));
        QCOMPARE(row.value(2).toString(), QStringLiteral("      4711"));
        QCOMPARE(row.value(3).toString(), swipeTime);
        QCOMPARE(row.value(4).toString(),
                 QStringLiteral("FIL01T1  G                4711") + swipeTime);
        QVERIFY(row.value(5).toBool());
        QCOMPARE(count(QStringLiteral("SELECT count(*) FROM stempelung WHERE pnr IS NULL")), 0);

        // Cards belong to a company: the same number elsewhere is nobody's.
        const CardBooking elsewhere =
            bookCard(*session_, QStringLiteral("2"), QStringLiteral("ZEN2T1"), QStringLiteral("K"),
                     QStringLiteral("4711"), swipeTime);
        QCOMPARE(elsewhere.kind, CardBooking::UnassignedBooking);
        QVERIFY(elsewhere.employee.isEmpty());
        QCOMPARE(count(QStringLiteral("SELECT count(*) FROM stempelung WHERE pnr IS NOT NULL")), 1);
    }

    void swipeOfAnUnknownCardKeepsTheTextLayout_data()
    {
        QTest::addColumn<QString>("terminal");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("card");
        QTest::addColumn<QString>("cardField");
        QTest::newRow("short terminal") << "T1"
                                        << "K"
                                        << "815"
                                        << "       815";
        QTest::newRow("eight-character terminal") << "FIL01T12"
                                                  << "G"
                                                  << "4711"
                                                  << "      4711";
        QTest::newRow("blank inside the card") << "FIL01T1"
                                               << "K"
                                               << " 12 34 567"
                                               << " 12 34 567";
        QTest::newRow("ten-digit card") << "FIL01T1"
                                        << "G"
                                        << "1234567890"
                                        << "1234567890";
        QTest::newRow("card with blanks around") << "FIL01T1"
                                                 << "K"
                                                 << "  99 "
                                                 << "        99";
    }

    void swipeOfAnUnknownCardKeepsTheTextLayout()
    {
        QFETCH(QString, terminal);
        QFETCH(QString, kind);
        QFETCH(QString, card);
        QFETCH(QString, cardField);
        const CardBooking booking =
            bookCard(*session_, QStringLiteral("1"), terminal, kind, card, swipeTime);
        QCOMPARE(booking.kind, CardBooking::UnassignedBooking);
        QSqlQuery row = session_->exec(
            QStringLiteral("SELECT firma, karte, buchungstext FROM stempelung WHERE pnr IS NULL AND id = ?"),
            {booking.id});
        QVERIFY(row.next());
        QCOMPARE(row.value(0).toString(), QStringLiteral("1"));
        QCOMPARE(row.value(1).toString(), cardField);
        const QString text = row.value(2).toString();
        QCOMPARE(text.size(), 42);
        QCOMPARE(text.mid(0, 8), terminal.leftJustified(8));       // 1-8
        QCOMPARE(text.mid(8, 1), QStringLiteral(" "));             // 9
        QCOMPARE(text.mid(9, 1), kind);                            // 10
        QCOMPARE(text.mid(10, 10), QString(10, QLatin1Char(' '))); // 11-20
        QCOMPARE(text.mid(20, 10), cardField);                     // 21-30
        QCOMPARE(text.mid(30, 12), swipeTime);                     // 31-42
    }

    void assignedCardTakesItsBookingsOverWithTheirTime()
    {
        session_->exec(QStringLiteral(
            "INSERT INTO persbasis (firma, pnr, name) VALUES ('1', '1002', 'M}ller')"));
        bookCard(*session_, QStringLiteral("1"), QStringLiteral("FIL01T1"), QStringLiteral("K"),
                 QStringLiteral(" 12 34 567"), swipeTime);
        session_->variables().insert(QStringLiteral("PERSONAL"), DemoLogin::userCode);
        assignCard(*session_, QStringLiteral("1"), QStringLiteral("1002"),
                   QStringLiteral(" 12 34 567"), std::nullopt);
        QCOMPARE(column(QStringLiteral("SELECT substr(buchungstext, 31, 12) FROM stempelung WHERE pnr = '1002'")),
                 QVariantList{swipeTime});

        const CardBooking next =
            bookCard(*session_, QStringLiteral("1"), QStringLiteral("FIL01T1"), QStringLiteral("G"),
                     QStringLiteral(" 12 34 567"), QStringLiteral("202401311630"));
        QCOMPARE(next.kind, CardBooking::TimeBooking);
        QCOMPARE(next.employee, QStringLiteral("1002"));
    }

    void assignmentLogIsShownFilteredAndWrittenForSpreadsheets()
    {
        session_->exec(QStringLiteral("INSERT INTO persbasis (firma, pnr, name) VALUES ('1', '1001', 'A'), ('1', '1002', 'B')"));
        bookCard(*session_, QStringLiteral("1"), QStringLiteral("FIL01T1"), QStringLiteral("K"), QStringLiteral("4711"), swipeTime);
        session_->variables().insert(QStringLiteral("PERSONAL"), QStringLiteral("M]L"));
        assignCard(*session_, QStringLiteral("1"), QStringLiteral("1001"), QStringLiteral("4711"), QStringLiteral(""));
        assignCard(*session_, QStringLiteral("1"), QStringLiteral("1002"), QStringLiteral("4711"), QStringLiteral("1001"));
        assignCard(*session_, QStringLiteral("1"), QStringLiteral("1002"), QStringLiteral("=815"), QStringLiteral(""));
        const QString swipeId = column(QStringLiteral("SELECT id FROM stempelung")).value(0).toString();

        const Outcome card = runInProcess({QStringLiteral("log"), QStringLiteral("--card"), QStringLiteral("4711")});
        QCOMPARE(card.exitCode, 0);
        const QStringList lines = card.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 2);
        QVERIFY2(lines.at(0).endsWith(QStringLiteral("\t1\t4711\t\t1001\tZuordnung\tMÜL\t") + swipeId + QStringLiteral("\t")),
                 qPrintable(lines.at(0)));
        QVERIFY2(lines.at(1).endsWith(QStringLiteral("\t1001\t1002\tWechsel\tMÜL\t\t") + swipeId), qPrintable(lines.at(1)));
        // An employee's assignments are those to and away from them.
        QCOMPARE(runInProcess({QStringLiteral("log"), QStringLiteral("--pnr"), QStringLiteral("1001")}).out.count('\n'), 2);
        const QString today = QDate::currentDate().toString(Qt::ISODate);
        QCOMPARE(runInProcess({QStringLiteral("log"), QStringLiteral("--day"), today}).out.count('\n'), 3);
        QCOMPARE(runInProcess({QStringLiteral("log"), QStringLiteral("--day"), QStringLiteral("2001-01-01")}).out,
                 QStringLiteral("Keine Zuordnungen.\n"));
        // The day as typed in Germany is the same day.
        QCOMPARE(runInProcess({QStringLiteral("log"), QStringLiteral("--day"),
                               QDate::currentDate().toString(QStringLiteral("dd.MM.yyyy"))})
                     .out.count('\n'),
                 3);
        QCOMPARE(runInProcess({QStringLiteral("log"), QStringLiteral("--day"), QStringLiteral("31.13.2024")}).exitCode, -1);

        QTemporaryDir folder;
        const QString file = folder.filePath(QStringLiteral("zuordnungen.csv"));
        QCOMPARE(runInProcess({QStringLiteral("log"), QStringLiteral("--csv"), file}).exitCode, 0);
        QFile written(file);
        QVERIFY(written.open(QIODevice::ReadOnly));
        const QByteArray content = written.readAll();
        QVERIFY(content.startsWith("\xEF\xBB\xBFNr;Zeitpunkt;Firma;Karte;Bisher;Mitarbeiter;Art;Von;"));
        QVERIFY(content.contains(";1;'=815;;1002;Zuordnung;M\xC3\x9CL;;\r\n")); // no formula, umlaut in UTF-8
        // An existing file is replaced only when asked to.
        const Outcome again = runInProcess({QStringLiteral("log"), QStringLiteral("--csv"), file});
        QCOMPARE(again.exitCode, 1);
        QVERIFY(again.err.contains(QStringLiteral("--force")));
        QCOMPARE(runInProcess({QStringLiteral("log"), QStringLiteral("--csv"), file, QStringLiteral("--force")}).exitCode, 0);
    }

    void timeBookingsOfAPeriodGoOutForPayroll()
    {
        session_->exec(QStringLiteral("INSERT INTO persbasis (firma, pnr, name, vorname) VALUES ('1', '1001', 'M}ller', 'J}rgen'),"
                                      " ('2', '2001', 'B', 'C')"));
        giveCard(QStringLiteral("1"), QStringLiteral("4711"), QStringLiteral("1001"));
        giveCard(QStringLiteral("2"), QStringLiteral("4711"), QStringLiteral("2001"));
        for (const auto &[company, kind, time] : {std::tuple{"1", "K", "202401310705"}, std::tuple{"1", "G", "202402011630"},
                                                  std::tuple{"2", "K", "202401310800"}, std::tuple{"1", "K", "202402020700"}})
            bookCard(*session_, QLatin1String(company), QStringLiteral("FIL01T1"), QLatin1String(kind),
                     QStringLiteral("4711"), QLatin1String(time));
        QTemporaryDir folder;
        const QString file = folder.filePath(QStringLiteral("lohn.csv"));
        const Outcome outcome = runInProcess({QStringLiteral("export"), QStringLiteral("--von"), QStringLiteral("2024-01-31"),
                                              QStringLiteral("--bis"), QStringLiteral("2024-02-01"), QStringLiteral("--firma"),
                                              QStringLiteral("1"), QStringLiteral("--csv"), file});
        QCOMPARE(outcome.exitCode, 0);
        QFile written(file);
        QVERIFY(written.open(QIODevice::ReadOnly));
        // Both days whole, the company's only, in display form.
        QCOMPARE(written.readAll(), QByteArray("\xEF\xBB\xBF" "Firma;Personalnummer;Name;Vorname;Datum;Uhrzeit;Art;Terminal;Karte\r\n"
                                               "1;1001;M\xC3\xBCller;J\xC3\xBCrgen;31.01.2024;07:05;Kommen;FIL01T1;4711\r\n"
                                               "1;1001;M\xC3\xBCller;J\xC3\xBCrgen;01.02.2024;16:30;Gehen;FIL01T1;4711\r\n"));
    }

    // In Berlin the night summer time begins has no 02:30 and the night it ends
    // has it twice; the clock's times go out as it wrote them all the same.
    void clockTimesOfTheDaylightSavingNightsGoOutAsWritten()
    {
        // Without the zone's rules the program would run in UTC and prove nothing.
        QVERIFY(QTimeZone(QByteArrayLiteral("Europe/Berlin")).isValid());
        session_->exec(QStringLiteral("INSERT INTO persbasis (firma, pnr, name, vorname) VALUES ('1', '1001', 'M}ller', 'J}rgen')"));
        giveCard(QStringLiteral("1"), QStringLiteral("4711"), QStringLiteral("1001"));
        for (const auto &[kind, time] : {std::pair{"G", "202603282359"}, std::pair{"K", "202603290230"},
                                         std::pair{"G", "202603290315"}, std::pair{"K", "202610250230"},
                                         std::pair{"G", "202610250245"}, std::pair{"K", "202610260000"}})
            bookCard(*session_, QStringLiteral("1"), QStringLiteral("FIL01T1"), QLatin1String(kind), QStringLiteral("4711"),
                     QLatin1String(time));
        QTemporaryDir folder;
        const QString file = folder.filePath(QStringLiteral("lohn.csv"));
        const Outcome outcome = runAdminProgram(
            QStringList{QStringLiteral("export"), QStringLiteral("--von"), QStringLiteral("2026-03-29"), QStringLiteral("--bis"),
                        QStringLiteral("2026-10-25"), QStringLiteral("--csv"), file} +
                targetArguments(),
            inBerlin());
        QCOMPARE(outcome.exitCode, int(ExitSuccess));
        QFile written(file);
        QVERIFY(written.open(QIODevice::ReadOnly));
        QCOMPARE(written.readAll(), QByteArray("\xEF\xBB\xBF" "Firma;Personalnummer;Name;Vorname;Datum;Uhrzeit;Art;Terminal;Karte\r\n"
                                               "1;1001;M\xC3\xBCller;J\xC3\xBCrgen;29.03.2026;02:30;Kommen;FIL01T1;4711\r\n"
                                               "1;1001;M\xC3\xBCller;J\xC3\xBCrgen;29.03.2026;03:15;Gehen;FIL01T1;4711\r\n"
                                               "1;1001;M\xC3\xBCller;J\xC3\xBCrgen;25.10.2026;02:30;Kommen;FIL01T1;4711\r\n"
                                               "1;1001;M\xC3\xBCller;J\xC3\xBCrgen;25.10.2026;02:45;Gehen;FIL01T1;4711\r\n"));

        // The assignment log's moments are wall-clock texts as well.
        session_->variables().insert(QStringLiteral("PERSONAL"), DemoLogin::userCode);
        assignCard(*session_, QStringLiteral("1"), QStringLiteral("1001"), QStringLiteral("815"), std::nullopt);
        const QString logId = column(QStringLiteral("SELECT id FROM kartenzuordnung")).value(0).toString();
        session_->exec(QStringLiteral("UPDATE kartenzuordnung SET am = '20260329023000' WHERE id = ?"), {logId.toLongLong()});
        const Outcome log = runAdminProgram(QStringList{QStringLiteral("log")} + targetArguments(), inBerlin());
        QCOMPARE(log.exitCode, int(ExitSuccess));
        QCOMPARE(log.out, logId + QStringLiteral("\t29.03.2026 02:30:00\t1\t815\t\t1001\tZuordnung\t") +
                              DemoLogin::userCode + QStringLiteral("\t\t\n"));
    }

    void serverEntriesAreKeptValid()
    {
        const auto server = [&](QStringList arguments) {
            arguments.prepend(QStringLiteral("server"));
            return runInProcess(arguments);
        };
        const QStringList entry = {QStringLiteral("--id"), QStringLiteral("3"), QStringLiteral("--name"),
                                   QStringLiteral("Filiale Süd (Fürth)"), QStringLiteral("--firma"), QStringLiteral("1"),
                                   QStringLiteral("--filiale"), QStringLiteral("3")};
        QCOMPARE(server(QStringList{QStringLiteral("add")} + entry).exitCode, 0);
        // Without a target of its own the entry names the server karven-admin is connected to.
        QCOMPARE(column(QStringLiteral("SELECT name || ' ' || ip || ' ' || port || ' ' || namespace FROM kassasw")),
                 QVariantList{QStringLiteral("Filiale S}d (F}rth) %1 %2 %3")
                                  .arg(db_.target().host)
                                  .arg(db_.target().port)
                                  .arg(db_.target().nameSpace)});
        QCOMPARE(server(QStringList{QStringLiteral("add")} + entry).exitCode, 1);
        for (const QStringList &wrong :
             {QStringList{QStringLiteral("--entry-port"), QStringLiteral("70000")},
              QStringList{QStringLiteral("--entry-server"), QStringLiteral("")},
              QStringList{QStringLiteral("--entry-server"), QStringLiteral("db karven")},
              QStringList{QStringLiteral("--firma"), QStringLiteral("0")},
              // The stored form keeps umlauts in these; the list joins with ";".
              QStringList{QStringLiteral("--name"), QStringLiteral("Filiale [Süd]")},
              QStringList{QStringLiteral("--name"), QStringLiteral("Nord|Süd")},
              QStringList{QStringLiteral("--name"), QStringLiteral("Nord;Süd")}}) {
            const Outcome refused = server(QStringList{QStringLiteral("change"), QStringLiteral("--id"), QStringLiteral("3")} + wrong);
            QVERIFY2(refused.exitCode != 0 && !refused.err.isEmpty(), qPrintable(wrong.join(' ')));
        }
        QCOMPARE(server({QStringLiteral("change"), QStringLiteral("--id"), QStringLiteral("3"), QStringLiteral("--entry-server"),
                         QStringLiteral("db.filiale"), QStringLiteral("--entry-port"), QStringLiteral("5432")})
                     .exitCode,
                 0);
        QCOMPARE(column(QStringLiteral("SELECT ip || ':' || port FROM kassasw WHERE id = 3")), QVariantList{"db.filiale:5432"});
        QVERIFY(server({QStringLiteral("list")}).out.contains(QStringLiteral("3\tFiliale Süd (Fürth)\t1\t3\tdb.filiale\t5432")));
        QCOMPARE(server({QStringLiteral("remove"), QStringLiteral("--id"), QStringLiteral("255")}).exitCode, 1);
        QCOMPARE(server({QStringLiteral("remove"), QStringLiteral("--id"), QStringLiteral("3")}).exitCode, 0);
        QCOMPARE(count(QStringLiteral("SELECT count(*) FROM kassasw")), 0);
    }

    void badSwipesAreRefusedAndWriteNothing_data()
    {
        QTest::addColumn<QString>("company");
        QTest::addColumn<QString>("terminal");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("card");
        QTest::addColumn<QString>("time");
        const QString t = swipeTime;
        QTest::newRow("empty card") << "1"
                                    << "FIL01T1"
                                    << "K"
                                    << "" << t;
        QTest::newRow("blank card") << "1"
                                    << "FIL01T1"
                                    << "K"
                                    << "   " << t;
        QTest::newRow("card too long") << "1"
                                       << "FIL01T1"
                                       << "K"
                                       << "12345678901" << t;
        QTest::newRow("terminal too long") << "1"
                                           << "FIL01T123"
                                           << "K"
                                           << "4711" << t;
        QTest::newRow("empty terminal") << "1"
                                        << ""
                                        << "K"
                                        << "4711" << t;
        QTest::newRow("unknown kind") << "1"
                                      << "FIL01T1"
                                      << "X"
                                      << "4711" << t;
        QTest::newRow("lower-case kind") << "1"
                                         << "FIL01T1"
                                         << "k"
                                         << "4711" << t;
        QTest::newRow("two kinds") << "1"
                                   << "FIL01T1"
                                   << "KG"
                                   << "4711" << t;
        QTest::newRow("empty kind") << "1"
                                    << "FIL01T1"
                                    << ""
                                    << "4711" << t;
        QTest::newRow("empty company") << " "
                                       << "FIL01T1"
                                       << "K"
                                       << "4711" << t;
        QTest::newRow("company 0") << "0" << "FIL01T1" << "K" << "4711" << t;
        QTest::newRow("company 10000") << "10000" << "FIL01T1" << "K" << "4711" << t;
        // What arrives as broken UTF-8 reaches the engine as replacement characters.
        QTest::newRow("card from broken UTF-8") << "1" << "FIL01T1" << "K" << QString::fromUtf8("47\xff" "11") << t;
        QTest::newRow("time too short") << "1"
                                        << "FIL01T1"
                                        << "K"
                                        << "4711"
                                        << "2024013107";
        QTest::newRow("time with seconds") << "1"
                                           << "FIL01T1"
                                           << "K"
                                           << "4711"
                                           << "20240131070500";
        QTest::newRow("30 February") << "1"
                                     << "FIL01T1"
                                     << "K"
                                     << "4711"
                                     << "202402300705";
        QTest::newRow("hour 24") << "1"
                                 << "FIL01T1"
                                 << "K"
                                 << "4711"
                                 << "202401312400";
        QTest::newRow("minute 60") << "1"
                                   << "FIL01T1"
                                   << "K"
                                   << "4711"
                                   << "202401310760";
        QTest::newRow("letter in time") << "1"
                                        << "FIL01T1"
                                        << "K"
                                        << "4711"
                                        << "2024O1310705";
        QTest::newRow("blank in time") << "1"
                                       << "FIL01T1"
                                       << "K"
                                       << "4711"
                                       << "20240131 705";
        QTest::newRow("empty time") << "1"
                                    << "FIL01T1"
                                    << "K"
                                    << "4711"
                                    << "";
    }

    void badSwipesAreRefusedAndWriteNothing()
    {
        QFETCH(QString, company);
        QFETCH(QString, terminal);
        QFETCH(QString, kind);
        QFETCH(QString, card);
        QFETCH(QString, time);
        giveCard(QStringLiteral("1"), QStringLiteral("4711"), QStringLiteral("1002"));
        try {
            bookCard(*session_, company, terminal, kind, card, time);
            QFAIL("the swipe was booked");
        } catch (const CacheError &error) {
            QCOMPARE(error.number(), qint32(EngineError::InvalidValue));
            QVERIFY(!error.description().isEmpty());
        }
        QCOMPARE(bookingRows(), 0);
    }

    void demoSiteIsConsistent()
    {
        const Outcome seeded = runInProcess({QStringLiteral("seed")});
        QCOMPARE(seeded.exitCode, int(ExitSuccess));
        QVERIFY2(seeded.err.isEmpty(), qPrintable(seeded.err));

        // The demo login logs in, on a connection of its own: an active user, an
        // active employee, an existing department.
        Session workstation(db_.kind(), db_.target());
        QVERIFY2(workstation.open(), qPrintable(workstation.lastError()));
        QCOMPARE(logInOnSession(workstation, {DemoLogin::company, DemoLogin::branch,
                                              displayToStored(DemoLogin::userCode.toUpper()),
                                              PasswordSecret::derive(DemoLogin::password)})
                     .status,
                 LoginAnswer::Status::LoggedIn);
        QSqlQuery user = session_->exec(
            QStringLiteral("SELECT aktiv, aktiv, pnr, abtnr FROM parpersedv WHERE firma = ? AND code = ?"),
            {DemoLogin::company, displayToStored(DemoLogin::userCode.toUpper())});
        QVERIFY(user.next());
        QCOMPARE(column(QStringLiteral("SELECT aktiv FROM persbasis WHERE firma = ? AND pnr = ?"),
                        {DemoLogin::company, user.value(2)}),
                 QVariantList{QStringLiteral("J")});
        QCOMPARE(
            count(QStringLiteral("SELECT count(*) FROM parpersabt WHERE firma = ? AND abtnr = ?"),
                  {DemoLogin::company, user.value(3)}),
            1);
        QCOMPARE(count(QStringLiteral(
                           "SELECT count(*) FROM kassasw WHERE firma = ? AND fil = ? AND type = 0"),
                       {DemoLogin::company, DemoLogin::branch}),
                 1);

        // Every login user points at existing records and has a code a user can type.
        QCOMPARE(count(QStringLiteral(
                     "SELECT count(*) FROM parpersedv u WHERE NOT EXISTS"
                     " (SELECT 1 FROM persbasis p WHERE p.firma = u.firma AND p.pnr = u.pnr)"
                     " OR NOT EXISTS (SELECT 1 FROM parpersabt a"
                     " WHERE a.firma = u.firma AND a.abtnr = u.abtnr)")),
                 0);
        for (const QVariant &code : column(QStringLiteral("SELECT code FROM parpersedv"))) {
            const QString display = storedToDisplay(code.toString());
            QVERIFY2(!display.isEmpty() && display.size() <= 3 && display == display.toUpper(),
                     qPrintable(display));
        }
        QVERIFY(count(QStringLiteral("SELECT count(*) FROM parpersedv WHERE aktiv = 'N'")) >= 1);
        QCOMPARE(
            count(QStringLiteral("SELECT count(*) FROM parpersedv WHERE aktiv NOT IN ('J', 'N')")),
            0);

        // Employees of both companies, some inactive, names in stored form.
        QVERIFY(count(QStringLiteral("SELECT count(*) FROM persbasis")) >= 35);
        QCOMPARE(column(QStringLiteral("SELECT DISTINCT firma FROM persbasis ORDER BY firma")),
                 (QVariantList{QStringLiteral("1"), QStringLiteral("2")}));
        QVERIFY(count(QStringLiteral("SELECT count(*) FROM persbasis WHERE aktiv = 'N'")) >= 2);
        QString allNames;
        for (const QVariant &name : column(QStringLiteral(
                 "SELECT name || vorname FROM persbasis UNION ALL"
                 " SELECT pname FROM parpersedv UNION ALL SELECT abtbez FROM parpersabt")))
            allNames += name.toString();
        QCOMPARE(displayToStored(allNames), allNames);
        for (const QChar letter : QStringLiteral("äöüßÄÖÜ"))
            QVERIFY2(storedToDisplay(allNames).contains(letter), qPrintable(QString(letter)));

        // Server entries: numbered from 0, naming the server seeded, one of another type.
        const QVariantList ids =
            column(QStringLiteral("SELECT id FROM kassasw WHERE type = 0 ORDER BY id"));
        QVERIFY(ids.size() >= 2);
        for (int i = 0; i < ids.size(); ++i)
            QCOMPARE(ids.at(i).toInt(), i);
        QCOMPARE(count(QStringLiteral("SELECT count(*) FROM kassasw WHERE ip <> ? OR port <> ? OR namespace <> ?"),
                       {db_.target().host, QString::number(db_.target().port), db_.target().nameSpace}),
                 0);
        QVERIFY(count(QStringLiteral("SELECT count(*) FROM kassasw WHERE type <> 0")) >= 1);

        // The business year, read the way the program reads it.
        SqlFactory factory(db_.kind());
        QVERIFY(factory.connect(db_.connectionString()));
        auto windows = factory.newObject(QStringLiteral("KV.Windows"));
        QVariantList command{QStringLiteral("S P0=$P(^FA(0),\"`\",2) W P0")};
        QCOMPARE(windows->call(QStringLiteral("Xecute"), command).toString(),
                 QString::number(QDate::currentDate().year()));

        // Cards belong to existing employees; unassigned bookings carry cards nobody owns.
        QVERIFY(count(QStringLiteral("SELECT count(*) FROM karte")) >= 1);
        QCOMPARE(count(QStringLiteral(
                     "SELECT count(*) FROM karte k WHERE NOT EXISTS"
                     " (SELECT 1 FROM persbasis p WHERE p.firma = k.firma AND p.pnr = k.pnr)")),
                 0);
        const int unassigned = count(QStringLiteral("SELECT count(*) FROM stempelung WHERE pnr IS NULL"));
        QVERIFY(unassigned >= 5 && unassigned <= 6);
        QCOMPARE(count(QStringLiteral(
                     "SELECT count(*) FROM stempelung n WHERE n.pnr IS NULL AND EXISTS"
                     " (SELECT 1 FROM karte k WHERE k.firma = n.firma AND k.karte = n.karte)")),
                 0);
        QVERIFY(count(QStringLiteral(
                    "SELECT count(*) FROM stempelung WHERE pnr IS NULL AND substr(buchungstext, 21, 10) <> karte")) ==
                0);
        QVERIFY(count(QStringLiteral("SELECT count(*) FROM stempelung WHERE pnr IS NULL AND trim(karte) LIKE '% %'")) >=
                1);
        QVERIFY(count(QStringLiteral("SELECT count(*) FROM (SELECT karte FROM stempelung WHERE pnr IS NULL"
                                     " GROUP BY firma, karte HAVING count(*) > 1) twice")) >= 1);
    }

    void seedingAgainNeedsForce()
    {
        QCOMPARE(runInProcess({QStringLiteral("seed")}).exitCode, int(ExitSuccess));
        const int employees = count(QStringLiteral("SELECT count(*) FROM persbasis"));
        const int unassigned = count(QStringLiteral("SELECT count(*) FROM stempelung WHERE pnr IS NULL"));
        bookCard(*session_, QStringLiteral("1"), QStringLiteral("FIL01T1"), QStringLiteral("K"),
                 QStringLiteral("24680"), swipeTime);

        const Outcome refused = runInProcess({QStringLiteral("seed")});
        QCOMPARE(refused.exitCode, int(ExitFailure));
        QVERIFY(refused.err.contains(QStringLiteral("--force")));
        QCOMPARE(count(QStringLiteral("SELECT count(*) FROM stempelung WHERE pnr IS NULL")), unassigned + 1);

        QCOMPARE(runInProcess({QStringLiteral("seed"), QStringLiteral("--force")}).exitCode,
                 int(ExitSuccess));
        QCOMPARE(count(QStringLiteral("SELECT count(*) FROM persbasis")), employees);
        QCOMPARE(count(QStringLiteral("SELECT count(*) FROM stempelung WHERE pnr IS NULL")), unassigned);
        QCOMPARE(count(QStringLiteral("SELECT count(*) FROM stempelung WHERE pnr IS NULL AND karte = ?"),
                       {cardField(QStringLiteral("24680"))}),
                 0);
    }

    void badCommandLinesAreRefused_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("named"); // what the message must name
        QTest::newRow("no command") << QStringList{} << "Befehl";
        QTest::newRow("unknown command") << QStringList{"frobnicate"} << "frobnicate";
        QTest::newRow("unknown option") << QStringList{"unassigned", "--bogus"} << "--bogus";
        QTest::newRow("single dash") << QStringList{"unassigned", "-x"} << "-x";
        QTest::newRow("value missing at end") << QStringList{"book", "--card"} << "--card";
        QTest::newRow("value missing before option")
            << QStringList{"book", "--card", "--firma", "1"} << "--card";
        QTest::newRow("empty value") << QStringList{"book", "--card="} << "--card";
        QTest::newRow("option of another command")
            << QStringList{"unassigned", "--force"} << "--force";
        QTest::newRow("flag with value") << QStringList{"seed", "--force=ja"} << "--force";
        QTest::newRow("required card") << QStringList{"book"} << "--card";
        QTest::newRow("required employee") << QStringList{"bookings", "--firma", "1"} << "--pnr";
        QTest::newRow("second command") << QStringList{"create", "seed"} << "seed";
        QTest::newRow("port not a number") << QStringList{"create", "--port", "abc"} << "abc";
        QTest::newRow("port zero") << QStringList{"create", "--port", "0"} << "0";
        QTest::newRow("port too large") << QStringList{"create", "--port", "70000"} << "70000";
        QTest::newRow("unknown engine") << QStringList{"create", "--engine", "oracle"} << "oracle";
        QTest::newRow("namespace path") << QStringList{"create", "--namespace", "../x"} << "../x";
        QTest::newRow("server with blank") << QStringList{"create", "--server", "a b"} << "a b";
        QTest::newRow("backup without file") << QStringList{"backup"} << "--to";
        QTest::newRow("restore without file") << QStringList{"restore"} << "--from";
        QTest::newRow("backup from") << QStringList{"backup", "--from", "x"} << "--from";
        QTest::newRow("restore to") << QStringList{"restore", "--to", "x"} << "--to";
        QTest::newRow("no such day") << QStringList{"log", "--day", "31.02.2024"} << "--day";
        QTest::newRow("day in no known form") << QStringList{"log", "--day", "2024/01/31"} << "2024/01/31";
        QTest::newRow("period backwards, typed two ways")
            << QStringList{"export", "--von", "31.01.2024", "--bis", "2024-01-30", "--csv", "x"} << "--bis";
        QTest::newRow("restore forced")
            << QStringList{"restore", "--from=x", "--force"} << "--force";
        QTest::newRow("export to no file")
            << QStringList{"export", "--von", "2024-01-01", "--bis", "2024-01-31"} << "--xlsx";
        QTest::newRow("one file twice")
            << QStringList{"log", "--csv", "a", "--xlsx", "./a"} << "dieselbe Datei";
        QTest::newRow("workbook of another command") << QStringList{"bookings", "--xlsx", "a"}
                                                     << "--xlsx";
    }

    void badCommandLinesAreRefused()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, named);
        const CommandLine line =
            parseCommandLine(QStringList{QStringLiteral("karven-admin")} + arguments);
        QCOMPARE(line.outcome, CommandLine::Error);
        QVERIFY2(line.message.contains(named), qPrintable(line.message));
    }

    void commandLineDefaults()
    {
        const QByteArray savedPort = qgetenv("PGPORT");
        qputenv("PGPORT", "6543");
        const CommandLine postgres = parseCommandLine(
            {QStringLiteral("karven-admin"), QStringLiteral("book"), QStringLiteral("--card=4711"),
             QStringLiteral("--engine"), QStringLiteral("postgres")});
        const CommandLine sqlite = parseCommandLine(
            {QStringLiteral("karven-admin"), QStringLiteral("book"), QStringLiteral("--card"),
             QStringLiteral("4711"), QStringLiteral("--engine=sqlite")});
        qputenv("PGPORT", savedPort);
        QCOMPARE(postgres.outcome, CommandLine::Run);
        QCOMPARE(postgres.options.target.port, 6543);
        QCOMPARE(sqlite.outcome, CommandLine::Run);
        const AdminOptions &options = sqlite.options;
        QCOMPARE(options.target.port, 1973);
        QCOMPARE(options.target.host, QStringLiteral("localhost"));
        QCOMPARE(options.target.nameSpace, QStringLiteral("KARVEN"));
        QCOMPARE(options.card, QStringLiteral("4711"));
        QCOMPARE(options.company, QStringLiteral("1"));
        QCOMPARE(options.terminal, QStringLiteral("FIL01T1"));
        QCOMPARE(options.kind, QStringLiteral("K"));
        const QDateTime time = QDateTime::fromString(options.time, QStringLiteral("yyyyMMddHHmm"));
        QVERIFY(qAbs(time.secsTo(QDateTime::currentDateTime())) < 120);
    }

    void daysAreTakenAsTypedInGermanyOrAsIso()
    {
        for (const QString &typed : {QStringLiteral("05.02.2024"), QStringLiteral("2024-02-05"), QStringLiteral("5.2.2024")}) {
            const CommandLine line = parseCommandLine({QStringLiteral("karven-admin"), QStringLiteral("export"),
                                                       QStringLiteral("--von"), typed, QStringLiteral("--bis"), typed,
                                                       QStringLiteral("--csv"), QStringLiteral("x.csv")});
            QCOMPARE(line.outcome, CommandLine::Run);
            QCOMPARE(line.options.periodStart, QStringLiteral("2024-02-05"));
            QCOMPARE(line.options.periodEnd, QStringLiteral("2024-02-05"));
        }
    }

    // What the options leave open is libpq's on PostgreSQL; the options win.
    void postgresTargetsLeaveTheRestToLibpq_data()
    {
        QTest::addColumn<QStringList>("environment"); // NAME=VALUE
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("host");
        QTest::addColumn<int>("port");
        QTest::addColumn<bool>("databaseFromLibpq");
        QTest::newRow("nothing set") << QStringList{} << QStringList{} << "localhost" << 5432 << false;
        QTest::newRow("PGHOST, PGPORT, PGDATABASE")
            << QStringList{"PGHOST=127.0.0.2", "PGPORT=6543", "PGDATABASE=filiale"} << QStringList{} << ""
            << 6543 << true;
        QTest::newRow("options win")
            << QStringList{"PGHOST=127.0.0.2", "PGPORT=6543", "PGDATABASE=filiale"}
            << QStringList{"--server", "db.nord", "--port", "5433", "--namespace", "NORD"} << "db.nord" << 5433
            << false;
        QTest::newRow("service file") << QStringList{"PGSERVICE=filiale"} << QStringList{} << "" << 0 << true;
        QTest::newRow("service, port given") << QStringList{"PGSERVICE=filiale"} << QStringList{"--port", "5433"}
                                             << "" << 5433 << true;
    }

    void postgresTargetsLeaveTheRestToLibpq()
    {
        QFETCH(QStringList, environment);
        QFETCH(QStringList, options);
        QFETCH(QString, host);
        QFETCH(int, port);
        QFETCH(bool, databaseFromLibpq);
        const QList<QByteArray> names = {"PGHOST", "PGHOSTADDR", "PGPORT", "PGDATABASE", "PGSERVICE"};
        QHash<QByteArray, QByteArray> saved;
        for (const QByteArray &name : names) {
            if (qEnvironmentVariableIsSet(name.constData()))
                saved.insert(name, qgetenv(name.constData()));
            qunsetenv(name.constData());
        }
        for (const QString &setting : environment)
            qputenv(setting.section(QLatin1Char('='), 0, 0).toLatin1().constData(),
                    setting.section(QLatin1Char('='), 1).toUtf8());
        const CommandLine line = parseCommandLine(QStringList{QStringLiteral("karven-admin"), QStringLiteral("check"),
                                                              QStringLiteral("--engine"), QStringLiteral("postgres")} +
                                                  options);
        for (const QByteArray &name : names) {
            qunsetenv(name.constData());
            if (saved.contains(name))
                qputenv(name.constData(), saved.value(name));
        }
        QCOMPARE(line.outcome, CommandLine::Run);
        QCOMPARE(line.options.target.host, host);
        QCOMPARE(line.options.target.port, port);
        QCOMPARE(line.options.target.databaseFromLibpq, databaseFromLibpq);
    }

    // libpq's own text stays beside the German one: in the program's history, and on stderr.
    void connectionFailuresAreSaidInGerman_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("role");
        QTest::addColumn<QString>("german");
        QTest::addColumn<QString>("libpq");
        QTest::newRow("refused") << QStringList{"--server", "127.0.0.1", "--port", "1"} << QString()
                                 << "nimmt keine Verbindung an" << "Connection refused";
        QTest::newRow("host unknown") << QStringList{"--server", "db.nirgends.invalid"} << QString()
                                      << "Den Server \"db.nirgends.invalid\" gibt es im Netz nicht"
                                      << "could not translate host name";
        QTest::newRow("database missing") << QStringList{"--namespace", "NICHTDA"} << QString()
                                          << "Die Datenbank \"nichtda\" gibt es auf dem Server nicht"
                                          << "does not exist";
        QTest::newRow("role missing") << QStringList{} << "niemand"
                                      << "Die Rolle \"niemand\" gibt es auf dem Server nicht"
                                      << "does not exist";
    }

    void connectionFailuresAreSaidInGerman()
    {
        QFETCH(QStringList, options);
        QFETCH(QString, role);
        QFETCH(QString, german);
        QFETCH(QString, libpq);
        if (db_.kind() != EngineKind::Postgres)
            QSKIP("connection failures of a database server");
        QStringList arguments = targetArguments();
        for (int i = 0; i + 1 < options.size(); i += 2)
            arguments[arguments.indexOf(options.at(i)) + 1] = options.at(i + 1);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        if (!role.isEmpty())
            environment.insert(QStringLiteral("PGUSER"), role);
        const Outcome refused = runAdminProgram(QStringList{QStringLiteral("check")} + arguments, environment);
        QCOMPARE(refused.exitCode, int(ExitFailure));
        QVERIFY2(refused.err.contains(german) && refused.err.contains(libpq), qPrintable(refused.err));

        // The program: German for its notice and boxes, libpq's words for the history.
        QStringList history;
        setEngineNoticeSink([&](const QString &, const QString &, const QString &parameter) { history << parameter; });
        const QByteArray savedUser = qgetenv("PGUSER");
        if (!role.isEmpty())
            qputenv("PGUSER", role.toUtf8());
        SqlFactory factory(db_.kind());
        const QString server = arguments.at(arguments.indexOf(QStringLiteral("--server")) + 1);
        const QString port = arguments.at(arguments.indexOf(QStringLiteral("--port")) + 1);
        const QString nameSpace = arguments.at(arguments.indexOf(QStringLiteral("--namespace")) + 1);
        const bool connected = factory.connect(QStringLiteral("cn_iptcp:%1[%2]:%3").arg(server, port, nameSpace));
        qputenv("PGUSER", savedUser);
        setEngineNoticeSink({});
        QVERIFY(!connected);
        QVERIFY2(factory.lastConnectError().contains(german), qPrintable(factory.lastConnectError()));
        QVERIFY(!factory.lastConnectError().contains(libpq));
        QCOMPARE(history.size(), 1);
        QVERIFY2(history.first().contains(libpq), qPrintable(history.first()));
    }

    void passwordFailuresAreSaidInGerman()
    {
        // Worded by libpq; the test server lets its roles in without a password.
        QVERIFY(connectionFailureInGerman(QStringLiteral("connection to server at \"db\" (10.0.0.5), port 5432 "
                                                         "failed: FATAL:  password authentication failed for user "
                                                         "\"karven\""))
                    .startsWith(QStringLiteral("Das Kennwort der Rolle \"karven\" ist falsch")));
        QVERIFY(connectionFailureInGerman(QStringLiteral("connection to server at \"db\" (10.0.0.5), port 5432 "
                                                         "failed: fe_sendauth: no password supplied"))
                    .contains(QStringLiteral("~/.pgpass")));
        QVERIFY(connectionFailureInGerman(QStringLiteral("connection to server at \"db\", port 5432 failed: timeout "
                                                         "expired"))
                    .contains(QStringLiteral("Zeitüberschreitung")));
        const QString unknown = QStringLiteral("server closed the connection unexpectedly");
        QCOMPARE(connectionFailureInGerman(unknown), unknown);
    }

    void programRunsItsCommands()
    {
        const Outcome seeded =
            runAdminProgram(QStringList{QStringLiteral("seed")} + targetArguments());
        QCOMPARE(seeded.exitCode, int(ExitSuccess));
        QVERIFY2(seeded.out.contains(db_.target().nameSpace.toLower()), qPrintable(seeded.out));

        const Outcome booked =
            runAdminProgram(QStringList{QStringLiteral("book"), QStringLiteral("--card"),
                                        QStringLiteral("7 7 7"), QStringLiteral("--kind"),
                                        QStringLiteral("G"), QStringLiteral("--time"), swipeTime} +
                            targetArguments());
        QCOMPARE(booked.exitCode, int(ExitSuccess));
        const QVariantList newest =
            column(QStringLiteral("SELECT id, buchungstext FROM stempelung WHERE pnr IS NULL ORDER BY id DESC"));
        QVERIFY2(booked.out.contains(newest.value(0).toString()), qPrintable(booked.out));

        // Listed in arrival order, one line per booking, text unchanged.
        const Outcome listed =
            runAdminProgram(QStringList{QStringLiteral("unassigned")} + targetArguments());
        QCOMPARE(listed.exitCode, int(ExitSuccess));
        const QStringList lines = listed.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        const QVariantList ids = column(QStringLiteral("SELECT id FROM stempelung WHERE pnr IS NULL ORDER BY id"));
        QCOMPARE(lines.size(), ids.size());
        for (int i = 0; i < lines.size(); ++i)
            QCOMPARE(lines.at(i).section(QLatin1Char('\t'), 0, 0), ids.at(i).toString());
        QCOMPARE(lines.last().section(QLatin1Char('\t'), 2),
                 QStringLiteral("FIL01T1  G") + QString(15, QLatin1Char(' ')) +
                     QStringLiteral("7 7 7") + swipeTime);

        const Outcome refused = runAdminProgram(
            QStringList{QStringLiteral("book"), QStringLiteral("--card"), QStringLiteral("4711"),
                        QStringLiteral("--time"), QStringLiteral("202402300705")} +
            targetArguments());
        QCOMPARE(refused.exitCode, int(ExitFailure));
        QVERIFY(refused.err.contains(QStringLiteral("202402300705")));
        QCOMPARE(count(QStringLiteral("SELECT count(*) FROM stempelung WHERE pnr IS NULL")), ids.size());
    }

    void programListsAnEmployeesBookings()
    {
        QCOMPARE(runInProcess({QStringLiteral("seed")}).exitCode, int(ExitSuccess));
        const QVariantList owner =
            column(QStringLiteral("SELECT pnr FROM karte WHERE firma = '1' ORDER BY pnr"));
        QVERIFY(!owner.isEmpty());
        const QString employee = owner.first().toString();
        const int before =
            count(QStringLiteral("SELECT count(*) FROM stempelung WHERE pnr IS NOT NULL AND pnr = ?"), {employee});
        const QString card =
            column(QStringLiteral("SELECT karte FROM karte WHERE firma = '1' AND pnr = ?"),
                   {employee})
                .first()
                .toString();
        const Outcome booked =
            runAdminProgram(QStringList{QStringLiteral("book"), QStringLiteral("--card"), card,
                                        QStringLiteral("--time"), QStringLiteral("209912312359")} +
                            targetArguments());
        QCOMPARE(booked.exitCode, int(ExitSuccess));
        QVERIFY2(booked.out.contains(employee), qPrintable(booked.out));

        const Outcome listed =
            runAdminProgram(QStringList{QStringLiteral("bookings"), QStringLiteral("--firma"),
                                        QStringLiteral("1"), QStringLiteral("--pnr"), employee} +
                            targetArguments());
        QCOMPARE(listed.exitCode, int(ExitSuccess));
        const QStringList lines = listed.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), before + 1);
        QCOMPARE(lines.last().section(QLatin1Char('\t'), 1, 1), QStringLiteral("2099-12-31 23:59"));

        const Outcome unknown = runAdminProgram(
            QStringList{QStringLiteral("bookings"), QStringLiteral("--firma"), QStringLiteral("1"),
                        QStringLiteral("--pnr"), QStringLiteral("9999")} +
            targetArguments());
        QCOMPARE(unknown.exitCode, int(ExitFailure));
        QVERIFY(unknown.err.contains(QStringLiteral("9999")));
    }

    void programCreatesOnlyWhenAsked()
    {
        const QString nameSpace = QStringLiteral("ADMINNEU");
        const ConnectionTarget target{db_.target().host, db_.target().port, nameSpace};
        QString error;
        DatabaseAdmin::drop(db_.kind(), target, &error);

        const Outcome missing =
            runAdminProgram(QStringList{QStringLiteral("unassigned")} + targetArguments(nameSpace));
        QCOMPARE(missing.exitCode, int(ExitFailure));
        QVERIFY(!missing.err.isEmpty());
        if (db_.kind() == EngineKind::Sqlite)
            QVERIFY(!QFile::exists(embeddedDatabaseFile(target)));

        // Every workstation reads the company record at its start: a new
        // database is made only together with it.
        const auto admin = [&](const QStringList &arguments) {
            return runAdminProgram(arguments + targetArguments(nameSpace));
        };
        for (const QStringList &incomplete :
             {QStringList{QStringLiteral("create")},
              QStringList{QStringLiteral("create"), QStringLiteral("--wj"), QStringLiteral("2024")},
              QStringList{QStringLiteral("create"), QStringLiteral("--name"), QStringLiteral("Bau [Süd]"),
                          QStringLiteral("--wj"), QStringLiteral("2024")}}) {
            const Outcome refused = admin(incomplete);
            QCOMPARE(refused.exitCode, int(ExitFailure));
            QVERIFY2(refused.err.contains(QStringLiteral("nichts angelegt"), Qt::CaseInsensitive),
                     qPrintable(refused.err));
            QCOMPARE(admin({QStringLiteral("company")}).exitCode, int(ExitFailure));
        }
        const Outcome created = admin({QStringLiteral("create"), QStringLiteral("--name"),
                                       QStringLiteral("Baustoffe Süd"), QStringLiteral("--wj"),
                                       QStringLiteral("2024")});
        QCOMPARE(created.exitCode, int(ExitSuccess));
        QCOMPARE(admin({QStringLiteral("create")}).exitCode, int(ExitSuccess)); // an update
        const Outcome newYear = admin({QStringLiteral("company"), QStringLiteral("--wj"), QStringLiteral("2025")});
        QCOMPARE(newYear.exitCode, int(ExitSuccess));
        QVERIFY2(newYear.out.contains(QStringLiteral("2024 -> 2025")), qPrintable(newYear.out));
        QVERIFY(admin({QStringLiteral("company")}).out.contains(QStringLiteral("Firma: Baustoffe Süd\n")));
        QCOMPARE(admin({QStringLiteral("company"), QStringLiteral("--wj"), QStringLiteral("25")}).exitCode,
                 int(ExitFailure));
        {
            // The year as the program reads it at its first start.
            SqlFactory factory(db_.kind());
            QVERIFY(factory.connect(QStringLiteral("cn_iptcp:%1[%2]:%3").arg(target.host).arg(target.port).arg(nameSpace)));
            QVariantList command{QStringLiteral("S P0=$P(^FA(0),\"`\",2) W P0")};
            QCOMPARE(factory.newObject(QStringLiteral("KV.Windows"))->call(QStringLiteral("Xecute"), command).toString(),
                     QStringLiteral("2025"));
        }
        const Outcome empty =
            runAdminProgram(QStringList{QStringLiteral("unassigned")} + targetArguments(nameSpace));
        QCOMPARE(empty.exitCode, int(ExitSuccess));
        QVERIFY(!empty.out.contains(QLatin1Char('\t')));
        QVERIFY(DatabaseAdmin::drop(db_.kind(), target, &error));
    }

    void grantGivesAWorkstationRoleTheServerFunctionsOnly()
    {
        const auto grant = [&](const QString &role) {
            return runInProcess({QStringLiteral("grant"), QStringLiteral("--role"), role});
        };
        if (db_.kind() != EngineKind::Postgres) {
            const Outcome refused = grant(QStringLiteral("karven_arbeitsplatz"));
            QCOMPARE(refused.exitCode, int(ExitFailure));
            QVERIFY2(refused.err.contains(QStringLiteral("PostgreSQL")), qPrintable(refused.err));
            return;
        }
        // A role per branch is made where the owner may make roles: it logs in,
        // has no password yet and a limit of connections; its name is only a name.
        // A name of its own each run: roles outlive the test's database.
        const QString branchRole = QStringLiteral("karven filiale\"; DROP TABLE karte; -- %1")
                                       .arg(QDateTime::currentMSecsSinceEpoch());
        const Outcome made = grant(branchRole);
        QCOMPARE(made.exitCode, int(ExitSuccess));
        QVERIFY2(made.out.contains(QStringLiteral("angelegt")), qPrintable(made.out));
        QCOMPARE(column(QStringLiteral("SELECT rolcanlogin AND rolpassword IS NULL FROM pg_authid"
                                       " WHERE rolname = ?"),
                        {branchRole}),
                 QVariantList{true});
        QCOMPARE(column(QStringLiteral("SELECT rolconnlimit FROM pg_roles WHERE rolname = ?"), {branchRole}),
                 QVariantList{DatabaseAdmin::workstationRoleConnections});
        QVERIFY(session_->tables().contains(QStringLiteral("karte")));
        const Outcome owner = grant(db_.target().user);
        QCOMPARE(owner.exitCode, int(ExitFailure));
        QVERIFY2(owner.err.contains(QStringLiteral("Eigentümerrolle")), qPrintable(owner.err));

        const QString workstation = qEnvironmentVariable("KARVEN_TEST_PGWORKSTATION");
        if (workstation.isEmpty())
            QSKIP("no workstation role for the tests (KARVEN_TEST_PGWORKSTATION)");
        const Outcome granted = grant(workstation);
        QCOMPARE(granted.exitCode, int(ExitSuccess));
        // The administrator's tool is the owner's: as a workstation it is told so.
        const QByteArray ownerRole = qgetenv("PGUSER");
        qputenv("PGUSER", workstation.toUtf8());
        const Outcome asWorkstation =
            runAdminProgram(QStringList{QStringLiteral("unassigned")} + targetArguments());
        qputenv("PGUSER", ownerRole);
        QCOMPARE(asWorkstation.exitCode, int(ExitFailure));
        QVERIFY2(asWorkstation.err.contains(QStringLiteral("Eigentümerrolle")), qPrintable(asWorkstation.err));
    }

    void programRefusesBadInvocations()
    {
        const Outcome bogus =
            runAdminProgram({QStringLiteral("unassigned"), QStringLiteral("--bogus")});
        QCOMPARE(bogus.exitCode, int(ExitUsage));
        QVERIFY(bogus.err.contains(QStringLiteral("--bogus")));
        QVERIFY(bogus.out.isEmpty());

        const Outcome badPort = runAdminProgram(
            {QStringLiteral("create"), QStringLiteral("--port"), QStringLiteral("12x")});
        QCOMPARE(badPort.exitCode, int(ExitUsage));
        QVERIFY(badPort.err.contains(QStringLiteral("12x")));

        const Outcome help = runAdminProgram({QStringLiteral("book"), QStringLiteral("--help")});
        QCOMPARE(help.exitCode, int(ExitSuccess));
        QVERIFY(help.out.contains(QStringLiteral("--card")));
        QVERIFY(help.err.isEmpty());
    }

    void programTellsItsVersion()
    {
        // Answered even beside a command line that would be refused.
        for (const QStringList &arguments :
             {QStringList{QStringLiteral("--version")},
              QStringList{QStringLiteral("book"), QStringLiteral("--version")}}) {
            const Outcome version = runAdminProgram(arguments);
            QCOMPARE(version.exitCode, int(ExitSuccess));
            QCOMPARE(version.out, QStringLiteral("karven-admin %1\n").arg(KARVEN_VERSION));
            QVERIFY(version.err.isEmpty());
        }
        const Outcome help = runAdminProgram({QStringLiteral("--help")});
        QVERIFY(help.out.contains(QStringLiteral("backup")));
        QVERIFY(help.out.contains(QStringLiteral("--version")));
    }
};

QTEST_GUILESS_MAIN(TestAdmin)
#include "test_admin.moc"
