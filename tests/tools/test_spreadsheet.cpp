// The payroll export and the assignment log as Excel workbooks, opened by the
// real spreadsheet program: LibreOffice Calc reads them headless, and every
// cell it shows is compared with what the database holds, on the engine that
// KARVEN_ENGINE names.

#include "cacheapi/objects/assignmentkind.h"
#include "engine/cardassignment.h"
#include "engine/session.h"
#include "engine/storedform.h"
#include "engine/timeclock.h"
#include "tests/support/enginefixture.h"

#include "tests/tools/adminprocess.h"
#include <QDateTime>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <QTest>

namespace {

// A cell as Calc has it: its type ("string", "date", "time"; empty for none),
// its value where it is a date or time, and the text it shows.
struct Cell
{
    QString type, value, shown;
    bool formula = false;
    bool operator==(const Cell &other) const
    {
        return type == other.type && value == other.value && shown == other.shown &&
               formula == other.formula;
    }
};
using Sheet = QList<QList<Cell>>;

Cell text(const QString &shown)
{
    return shown.isEmpty() ? Cell{} : Cell{QStringLiteral("string"), QString(), shown};
}

Cell day(const QDate &date)
{
    return {QStringLiteral("date"), date.toString(Qt::ISODate),
            date.toString(QStringLiteral("dd.MM.yyyy"))};
}

Cell timeOfDay(const QTime &time)
{
    return {QStringLiteral("time"), time.toString(QStringLiteral("'PT'HH'H'mm'M'ss'S'")),
            time.toString(QStringLiteral("HH:mm"))};
}

Cell moment(const QDateTime &when)
{
    return {QStringLiteral("date"), when.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")),
            when.toString(QStringLiteral("dd.MM.yyyy HH:mm:ss"))};
}

QList<Cell> titleRow(const char *titles)
{
    QList<Cell> row;
    for (const QString &title : QString::fromUtf8(titles).split(QLatin1Char(';')))
        row << text(title);
    return row;
}

QString describe(const Cell &cell)
{
    return QStringLiteral("%1 %2 \"%3\"%4")
        .arg(cell.type, cell.value, cell.shown,
             cell.formula ? QStringLiteral(" formula") : QString());
}

// The first table of a flat OpenDocument spreadsheet, without the empty
// cells and rows that pad it.
Sheet readFlatSpreadsheet(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QXmlStreamReader xml(&file);
    Sheet sheet;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isEndElement() && xml.name() == QLatin1String("table"))
            break;
        if (!xml.isStartElement())
            continue;
        if (xml.name() == QLatin1String("table-row")) {
            sheet.append(QList<Cell>());
        } else if (xml.name() == QLatin1String("table-cell")) {
            const QXmlStreamAttributes attributes = xml.attributes();
            Cell cell{attributes.value(QLatin1String("office:value-type")).toString(),
                      attributes.value(QLatin1String("office:date-value")).toString() +
                          attributes.value(QLatin1String("office:time-value")).toString(),
                      QString(), attributes.hasAttribute(QLatin1String("table:formula"))};
            const int repeated =
                qMax(1, attributes.value(QLatin1String("table:number-columns-repeated")).toInt());
            while (xml.readNextStartElement())
                if (xml.name() == QLatin1String("p"))
                    cell.shown += xml.readElementText(QXmlStreamReader::IncludeChildElements);
                else
                    xml.skipCurrentElement();
            if (cell.type == QLatin1String("string"))
                cell.value.clear();
            for (int i = 0; i < repeated && i < 64; ++i)
                sheet.last().append(cell);
        }
    }
    for (QList<Cell> &row : sheet)
        while (!row.isEmpty() && row.last() == Cell{})
            row.removeLast();
    while (!sheet.isEmpty() && sheet.last().isEmpty())
        sheet.removeLast();
    return sheet;
}

bool mustNotSkip()
{
    return qEnvironmentVariableIsSet("KARVEN_TEST_REQUIRE_SPREADSHEET") ||
           qEnvironmentVariableIsSet("KARVEN_TEST_REQUIRE_PG");
}

} // namespace

class TestSpreadsheet : public QObject
{
    Q_OBJECT

private:
    EngineFixture db_{EngineFixture::ProgramRole::Owner};
    std::unique_ptr<Session> session_;
    QString soffice_;
    QTemporaryDir folder_;

    Outcome
    runAdmin(const QStringList &arguments,
             const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment())
    {
        return runAdminProgram(
            arguments + QStringList{QStringLiteral("--engine"), engineName(db_.kind()),
                                    QStringLiteral("--server"), db_.target().host,
                                    QStringLiteral("--port"), QString::number(db_.target().port),
                                    QStringLiteral("--namespace"), db_.target().nameSpace},
            environment);
    }

    QString path(const QString &name) const { return folder_.filePath(name); }

    // Opens the workbooks in Calc, all in one start, and returns the first
    // sheet of each. Calc ends with 0 also when it could not read a file.
    QList<Sheet> openInCalc(const QStringList &workbooks)
    {
        QProcess calc;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
        environment.insert(QStringLiteral("LANG"), QStringLiteral("C.UTF-8"));
        calc.setProcessEnvironment(environment);
        calc.start(soffice_,
                   QStringList{QStringLiteral("--headless"), QStringLiteral("--norestore"),
                               QStringLiteral("-env:UserInstallation=file://") +
                                   path(QStringLiteral("calc-profile")),
                               QStringLiteral("--convert-to"), QStringLiteral("fods"),
                               QStringLiteral("--outdir"), path(QStringLiteral("calc"))} +
                       workbooks);
        if (!calc.waitForFinished(180000))
            calc.kill();
        calc.waitForFinished();
        QList<Sheet> sheets;
        for (const QString &workbook : workbooks) {
            const QString converted =
                path(QStringLiteral("calc/") + QFileInfo(workbook).completeBaseName() +
                     QStringLiteral(".fods"));
            if (!QFile::exists(converted))
                qWarning().noquote()
                    << "Calc did not convert" << workbook << calc.readAllStandardError();
            sheets << readFlatSpreadsheet(converted);
        }
        return sheets;
    }

    static void compareSheets(const Sheet &shown, const Sheet &expected)
    {
        for (int row = 0; row < qMax(shown.size(), expected.size()); ++row)
            for (int column = 0; column < qMax(shown.value(row).size(), expected.value(row).size());
                 ++column) {
                const Cell found = shown.value(row).value(column);
                const Cell wanted = expected.value(row).value(column);
                QVERIFY2(found == wanted,
                         qPrintable(QStringLiteral("row %1, column %2: %3, expected %4")
                                        .arg(row + 1)
                                        .arg(column + 1)
                                        .arg(describe(found), describe(wanted))));
            }
    }

    // What the payroll export must show: the time bookings as the database holds them.
    Sheet expectedPayroll()
    {
        Sheet sheet{titleRow("Firma;Personalnummer;Name;Vorname;Datum;Uhrzeit;Art;Terminal;Karte")};
        QSqlQuery rows = session_->exec(QStringLiteral(
            "SELECT s.firma, s.pnr, p.name, p.vorname, s.buchungstext, s.karte FROM stempelung s"
            " JOIN persbasis p ON p.firma = s.firma AND p.pnr = s.pnr ORDER BY s.firma, s.pnr, "
            "s.id"));
        while (rows.next()) {
            // Terminal in columns 1 to 8, kind in 10, the clock's yyyymmddhhmm in 31 to 42.
            const QString booking = rows.value(4).toString();
            const QDateTime when =
                QDateTime::fromString(booking.mid(30, 12), QStringLiteral("yyyyMMddHHmm"));
            sheet << QList<Cell>{text(rows.value(0).toString()),
                                 text(rows.value(1).toString()),
                                 text(storedToDisplay(rows.value(2).toString())),
                                 text(storedToDisplay(rows.value(3).toString())),
                                 day(when.date()),
                                 timeOfDay(when.time()),
                                 text(booking.at(9) == QLatin1Char('K') ? QStringLiteral("Kommen")
                                                                        : QStringLiteral("Gehen")),
                                 text(booking.left(8).trimmed()),
                                 text(rows.value(5).toString().trimmed())};
        }
        return sheet;
    }

    // What the log must show: company 1's card assignments with the swipes each booked and moved.
    Sheet expectedLog()
    {
        Sheet sheet{titleRow("Nr;Zeitpunkt;Firma;Karte;Bisher;Mitarbeiter;Art;Von;"
                             "Gebuchte Buchungen;Umgebuchte Buchungen")};
        // Ids of the swipes each entry booked ("0") and moved ("1").
        QHash<QString, QStringList> swipes;
        QSqlQuery links =
            session_->exec(QStringLiteral("SELECT zuordnung_id, umgebucht, stempel_id FROM"
                                          " kartenzuordnung_stempelung ORDER BY stempel_id"));
        while (links.next())
            swipes[links.value(0).toString() + links.value(1).toString()]
                << links.value(2).toString();
        QSqlQuery rows =
            session_->exec(QStringLiteral("SELECT id, am, firma, karte, pnr_vorher, pnr, art, von "
                                          "FROM kartenzuordnung WHERE firma = '1' ORDER BY id"));
        while (rows.next()) {
            const QString id = rows.value(0).toString();
            sheet << QList<Cell>{text(id),
                                 moment(QDateTime::fromString(rows.value(1).toString(),
                                                              QStringLiteral("yyyyMMddHHmmss"))),
                                 text(rows.value(2).toString()),
                                 text(rows.value(3).toString().trimmed()),
                                 text(rows.value(4).toString()),
                                 text(rows.value(5).toString()),
                                 text(assignmentKindName(rows.value(6).toString())),
                                 text(storedToDisplay(rows.value(7).toString())),
                                 text(swipes.value(id + QLatin1Char('0')).join(QLatin1Char(','))),
                                 text(swipes.value(id + QLatin1Char('1')).join(QLatin1Char(',')))};
        }
        return sheet;
    }

private Q_SLOTS:
    void initTestCase()
    {
        KARVEN_SET_UP_ENGINE_OR_SKIP(db_, QStringLiteral("SHEETTEST"));
        session_ = std::make_unique<Session>(db_.kind(), db_.target());
        QVERIFY2(session_->open(), qPrintable(session_->lastError()));
        QVERIFY(folder_.isValid());
        soffice_ = QStandardPaths::findExecutable(QStringLiteral("soffice"));
        if (soffice_.isEmpty()) {
            if (mustNotSkip())
                QFAIL("LibreOffice (soffice, Debian: libreoffice-calc-nogui) is not installed");
            QSKIP("LibreOffice (soffice) is not installed");
        }
    }

    void cleanupTestCase()
    {
        session_.reset();
        db_.tearDown();
    }

    // Cards and personnel numbers keep their leading zeros, dates and times
    // are dates and times, a name that looks like a formula stays a text.
    void workbooksShowWhatTheDatabaseHolds()
    {
        session_->exec(QStringLiteral(
            "INSERT INTO persbasis (firma, pnr, name, vorname, aktiv) VALUES ('1', '000815', "
            "'M}ller', 'J}rgen', 'J'),"
            " ('1', '1002', '=SUMME(A1:A9)', '-Anna', 'J'), ('2', '0042', 'Gro~', 'Eva', 'J')"));
        session_->exec(QStringLiteral(
            "INSERT INTO parpersedv (firma, code, passwort, aktiv, pname, pnr, abtnr, bergrp)"
            " VALUES ('1', 'M]L', 'geheim', 'J', 'M}ller', '000815', '10', 'A')"));
        session_->exec(QStringLiteral("INSERT INTO karte (firma, karte, pnr) VALUES ('1', ?, "
                                      "'000815'), ('2', ?, '0042')"),
                       {cardField(QStringLiteral("002214")), cardField(QStringLiteral("0815"))});
        for (const auto &[company, kind, card, time] :
             {std::tuple{"1", "K", "002214", "202401310645"},
              std::tuple{"1", "G", "002214", "202401311530"},
              std::tuple{"2", "K", "0815", "202402010600"},
              std::tuple{"1", "K", "007", "202402010700"}})
            bookCard(*session_, QLatin1String(company), QStringLiteral("FIL01T1"),
                     QLatin1String(kind), QLatin1String(card), QLatin1String(time));
        // Card 007 books its open swipe to the wrong employee; the correction moves it.
        session_->variables().insert(QStringLiteral("PERSONAL"), QStringLiteral("M]L"));
        assignCard(*session_, QStringLiteral("1"), QStringLiteral("1002"), QStringLiteral("007"),
                   QStringLiteral(""));
        correctAssignment(
            *session_,
            session_->firstValue(QStringLiteral("SELECT max(id) FROM kartenzuordnung"))
                .toLongLong(),
            QStringLiteral("000815"));

        const Outcome payroll = runAdmin(
            {QStringLiteral("export"), QStringLiteral("--von"), QStringLiteral("2024-01-31"),
             QStringLiteral("--bis"), QStringLiteral("2024-02-01"), QStringLiteral("--csv"),
             path(QStringLiteral("lohn.csv")), QStringLiteral("--xlsx"),
             path(QStringLiteral("lohn.xlsx"))});
        QCOMPARE(payroll.err, QString());
        QCOMPARE(payroll.exitCode, 0);
        const Outcome log = runAdmin(
            {QStringLiteral("log"), QStringLiteral("--xlsx"), path(QStringLiteral("log.xlsx"))});
        QCOMPARE(log.err, QString());
        QCOMPARE(log.exitCode, 0);

        const QList<Sheet> sheets =
            openInCalc({path(QStringLiteral("lohn.xlsx")), path(QStringLiteral("log.xlsx"))});
        const Sheet expected = expectedPayroll();
        QCOMPARE(expected.size(), 5); // the titles and every time booking of the period
        QCOMPARE(expected.at(1).at(8).shown, QStringLiteral("002214"));
        QCOMPARE(expected.at(1).at(5).shown, QStringLiteral("06:45"));
        compareSheets(sheets.at(0), expected);
        const Sheet expectedEntries = expectedLog();
        QCOMPARE(expectedEntries.size(), 3);
        QCOMPARE(expectedEntries.at(2).at(6).shown, QStringLiteral("Korrektur"));
        QVERIFY(!expectedEntries.at(2).at(9).shown.isEmpty());
        compareSheets(sheets.at(1), expectedEntries);

        // The CSV of the same run is the payroll programs' file, as before.
        QFile csv(path(QStringLiteral("lohn.csv")));
        QVERIFY(csv.open(QIODevice::ReadOnly));
        QCOMPARE(csv.readAll().count("\r\n"), 5);
    }

    // Nothing is written where one file cannot be: not the other one either,
    // and an existing file stays as it is.
    void aFileThatCannotBeWrittenWritesNone_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QString>("temporaryFolder");
        QTest::addColumn<QString>("message");
        QTest::addRow("folder missing")
            << QStringList{QStringLiteral("a.csv"), QStringLiteral("fehlt/a.xlsx")} << QString()
            << QStringLiteral("den Ordner");
        QTest::addRow("workbook exists")
            << QStringList{QStringLiteral("b.csv"), QStringLiteral("vorhanden.xlsx")} << QString()
            << QStringLiteral("gibt es schon; mit --force");
        QTest::addRow("no room for the workbook's own files")
            << QStringList{QStringLiteral("c.csv"), QStringLiteral("c.xlsx")}
            << QStringLiteral("vorhanden.xlsx") << QStringLiteral("TMPDIR");
    }

    void aFileThatCannotBeWrittenWritesNone()
    {
        QFETCH(QStringList, files);
        QFETCH(QString, temporaryFolder);
        QFETCH(QString, message);
        QFile existing(path(QStringLiteral("vorhanden.xlsx")));
        QVERIFY(existing.open(QIODevice::WriteOnly));
        existing.write("keep me");
        existing.close();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        // A file where the temporary folder should be: not even root makes a folder in it.
        if (!temporaryFolder.isEmpty())
            environment.insert(QStringLiteral("TMPDIR"), path(temporaryFolder));
        for (const QString &command : {QStringLiteral("export"), QStringLiteral("log")}) {
            QStringList arguments{command, QStringLiteral("--csv"), path(files.at(0)),
                                  QStringLiteral("--xlsx"), path(files.at(1))};
            if (command == QLatin1String("export"))
                arguments << QStringLiteral("--von") << QStringLiteral("2024-01-01")
                          << QStringLiteral("--bis") << QStringLiteral("2024-12-31");
            const Outcome outcome = runAdmin(arguments, environment);
            QCOMPARE(outcome.exitCode, 1);
            QVERIFY2(outcome.err.contains(message), qPrintable(outcome.err));
            QVERIFY(!QFile::exists(path(files.at(0))));
            QVERIFY(existing.open(QIODevice::ReadOnly));
            QCOMPARE(existing.readAll(), QByteArray("keep me"));
            existing.close();
        }
    }
};

QTEST_GUILESS_MAIN(TestSpreadsheet)
#include "test_spreadsheet.moc"
