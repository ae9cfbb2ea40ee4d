// Master data from CSV files as German offices write them, on the engine that
// KARVEN_ENGINE names: reading the files, and importing them whole or not at all.

#include "engine/engineerrors.h"
#include "engine/session.h"
#include "engine/timeclock.h"
#include "tests/support/enginefixture.h"
#include "tests/tools/adminprocess.h"
#include "tools/admincommands.h"
#include "tools/commandline/commandline.h"
#include "tools/import/csvreader.h"
#include "tools/import/masterdataimport.h"
#include "tools/import/readahead.h"
#include "tools/import/swipeimport.h"

#include <QDateTime>
#include <QFile>
#include <QProcess>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>

class TestImport : public QObject
{
    Q_OBJECT

private:
    // karven-admin works as the owner of the tables.
    EngineFixture db_{EngineFixture::ProgramRole::Owner};
    std::unique_ptr<Session> session_;
    QTemporaryDir files_;

    QString file(const QString &name, const QByteArray &content)
    {
        const QString path = files_.filePath(name);
        QFile out(path);
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            out.write(content) != content.size())
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }

    int count(const QString &table)
    {
        return session_->firstValue(QStringLiteral("SELECT count(*) FROM ") + table).toInt();
    }

    // Swipes stored, as time bookings or unassigned ones.
    int bookedSwipes()
    {
        return count(QStringLiteral("stempelung"));
    }

    // karven-admin's arguments for this test's database.
    QStringList onDatabase(QStringList arguments) const
    {
        return arguments << QStringLiteral("--engine") << engineName(db_.kind())
                         << QStringLiteral("--server") << db_.target().host
                         << QStringLiteral("--port") << QString::number(db_.target().port)
                         << QStringLiteral("--namespace") << db_.target().nameSpace;
    }

    // A time clock file of swipes, one a minute, with CR LF and quoted fields as
    // office programs write them; every `wrongEvery`th line from `firstWrong`
    // on has an unknown kind of booking.
    // Starts karven-admin and returns once it has booked its first lots, or ended.
    void startAndAwaitFirstLots(QProcess &importing, const QStringList &arguments)
    {
        importing.start(adminProgram(), arguments);
        QVERIFY(importing.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(bookedSwipes() > 0 || importing.state() == QProcess::NotRunning,
                                 60000);
    }

    QString manySwipes(const QString &name, int swipes, int firstWrong = -1, int wrongEvery = 1)
    {
        QByteArray content = "\"Terminal\";Karte;Art;Datum;Uhrzeit\r\n";
        const QDateTime start(QDate(2024, 3, 1), QTime(0, 0));
        for (int i = 0; i < swipes; ++i) {
            const QDateTime when = start.addSecs(60 * i);
            const bool wrong =
                firstWrong >= 0 && i >= firstWrong && (i - firstWrong) % wrongEvery == 0;
            content += QStringLiteral("\"FIL01T1\";%1;%2;%3;%4\r\n")
                           .arg(100000 + i % 1000)
                           .arg(wrong ? QStringLiteral("X") : QStringLiteral("\"K\""))
                           .arg(when.toString(QStringLiteral("dd.MM.yyyy")),
                                when.toString(QStringLiteral("HH:mm")))
                           .toUtf8();
        }
        return file(name, content);
    }

    // karven-admin swipes --watch on a folder, stopped at the end.
    class Watcher
    {
    public:
        Watcher(const QStringList &arguments) { process_.start(adminProgram(), arguments); }
        ~Watcher()
        {
            if (process_.state() != QProcess::NotRunning) {
                ::kill(pid_t(process_.processId()), SIGTERM);
                if (!process_.waitForFinished(10000))
                    process_.kill();
            }
        }
        bool started() { return process_.waitForStarted(); }
        const QString &out()
        {
            out_ += QString::fromUtf8(process_.readAllStandardOutput());
            return out_;
        }
        const QString &err()
        {
            err_ += QString::fromUtf8(process_.readAllStandardError());
            return err_;
        }

    private:
        QProcess process_;
        QString out_, err_;
    };

    QStringList watching(const QTemporaryDir &folder) const
    {
        return onDatabase({QStringLiteral("swipes"), QStringLiteral("--watch"), folder.path()});
    }

    ImportReport import(MasterData kind, const QByteArray &content)
    {
        return importMasterData(*session_, kind,
                                file(masterDataName(kind) + QStringLiteral(".csv"), content));
    }

private Q_SLOTS:
    void initTestCase()
    {
        KARVEN_SET_UP_ENGINE_OR_SKIP(db_, QStringLiteral("IMPORTTEST"));
        session_ = std::make_unique<Session>(db_.kind(), db_.target());
        QVERIFY2(session_->open(), qPrintable(session_->lastError()));
    }

    void cleanupTestCase()
    {
        session_.reset();
        db_.tearDown();
    }

    void init()
    {
        for (const char *table : {"kartenzuordnung_stempelung", "stempelung", "karte", "kartenzuordnung",
                                  "parpersedv", "persbasis", "parpersabt"})
            session_->exec(QStringLiteral("DELETE FROM ") + QLatin1String(table));
    }

    void filesAreReadAsOfficesWriteThem_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("encoding");
        QTest::addColumn<QString>("records"); // line: fields joined by |, records by /
        QTest::newRow("UTF-8 with BOM, CR LF") << QByteArray("\xEF\xBB\xBF"
                                                             "a;b\r\nM\xC3\xBCller;2\r\n")
                                               << "UTF-8"
                                               << "1:a|b/2:Müller|2";
        QTest::newRow("Windows-1252") << QByteArray("a;b\nM\xFCller;\x80\n") << "Windows-1252"
                                      << "1:a|b/2:Müller|€";
        QTest::newRow("UTF-16 with BOM") << QByteArray("\xFF\xFE"
                                                       "a\0;\0b\0\n\0",
                                                       10)
                                         << "UTF-16"
                                         << "1:a|b";
        QTest::newRow("quotes, separators and line breaks in fields")
            << QByteArray("\"x;y\";\"say \"\"hi\"\"\"\n\"two\nlines\";z\n\nlast;\n") << "UTF-8"
            << "1:x;y|say \"hi\"/2:two\nlines|z/5:last|";
        QTest::newRow("a spreadsheet's trailing lines of separators")
            << QByteArray("a;b;c\r\n1;2;3\r\n;;\r\n ; ;\r\n;;\r\n") << "UTF-8" << "1:a|b|c/2:1|2|3";
    }

    void filesAreReadAsOfficesWriteThem()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, encoding);
        QFETCH(QString, records);
        const CsvFile csv = parseCsv(bytes);
        QCOMPARE(csv.error, QString());
        QCOMPARE(csv.encoding, encoding);
        QStringList read;
        for (const CsvRecord &record : csv.records)
            read << QString::number(record.line) + QLatin1Char(':') +
                        record.fields.join(QLatin1Char('|'));
        QCOMPARE(read.join(QLatin1Char('/')), records);
    }

    void unreadableFilesSayWhereAndWhy()
    {
        QCOMPARE(parseCsv("a;b\n1;\"open\n\n").error,
                 QStringLiteral("Zeile 2: das Anführungszeichen wird nicht geschlossen"));
        QVERIFY(parseCsv("a\n\"x\"y;z\n")
                    .error.startsWith(QStringLiteral("Zeile 2: nach dem schließenden")));
        QVERIFY(parseCsv(QByteArray("a\0b", 3)).error.contains(QStringLiteral("Nullbytes")));
    }

    void masterDataGoInOnceAndAgainChangeNothing()
    {
        const QByteArray departments("Firma;Abteilung;Bezeichnung\n1;10;Büro\n1;20;Lager\n");
        const QByteArray employees(
            "firma;PERSONALNUMMER;Name;Vorname;Abteilung\n1;5001;Müller;Jürgen;10\n"
            "1;5002;Straßer;Greß;20\n");
        const QByteArray users(
            "Firma;Kürzel;Passwort;Abteilung;Personalnummer;Name\n1;MÜL;geheim;10;5001;Müller, Jürgen\n");
        const QByteArray cards("Firma;Karte;Personalnummer\n1;4711;5001\n");
        // A swipe of the card before it was known: the import books it.
        db_.withSession([](Session &session) {
            bookCard(session, QStringLiteral("1"), QStringLiteral("T1"), QStringLiteral("K"),
                     QStringLiteral("4711"), QStringLiteral("202401310705"));
        });
        for (int round = 0; round < 2; ++round) {
            const int added = round == 0 ? 2 : 0;
            QCOMPARE(import(MasterData::Departments, departments).added, added);
            QCOMPARE(import(MasterData::Employees, employees).added, added);
            const ImportReport again = import(MasterData::LoginUsers, users);
            QCOMPARE(again.added + again.unchanged, 1);
            QCOMPARE(import(MasterData::Cards, cards).unchanged, 1 - added / 2);
        }
        QCOMPARE(session_
                     ->firstValue(
                         QStringLiteral("SELECT name || ' ' || abtnr || ' ' || aktiv FROM persbasis"
                                        " WHERE pnr = '5002'"))
                     .toString(),
                 QStringLiteral("Stra~er 20 J"));
        QCOMPARE(session_->firstValue(QStringLiteral("SELECT code FROM parpersedv")).toString(),
                 QStringLiteral("M]L"));
        QCOMPARE(session_->firstValue(QStringLiteral("SELECT pnr FROM stempelung WHERE pnr IS NOT NULL")).toString(),
                 QStringLiteral("5001"));
        QCOMPARE(count(QStringLiteral("kartenzuordnung")), 1);
        // The login reads the user's department: a user without one is refused.
        const ImportReport withoutDepartment = import(MasterData::LoginUsers, "Firma;Kürzel;Passwort\n1;NEU;x\n");
        QVERIFY(withoutDepartment.errors.join(QLatin1Char(' ')).contains(QStringLiteral("Abteilung")));
        QCOMPARE(count(QStringLiteral("parpersedv")), 1);

        // A changed row changes; columns left out keep their values.
        const ImportReport changed =
            import(MasterData::Employees,
                   "Firma;Personalnummer;Name;Vorname;Aktiv\n1;5002;Straßer;Greß;N\n");
        QCOMPARE(changed.changed, 1);
        QCOMPARE(session_
                     ->firstValue(
                         QStringLiteral("SELECT abtnr || aktiv FROM persbasis WHERE pnr = '5002'"))
                     .toString(),
                 QStringLiteral("20N"));
        // An employee no longer active gets no card, as at a workstation.
        QCOMPARE(import(MasterData::Cards, "Firma;Karte;Personalnummer\n01;4712;5002\n").errors,
                 QStringList{"Zeile 2: Mitarbeiter 5002 der Firma 1 ist nicht aktiv und bekommt keine Karte"});
        QCOMPARE(count(QStringLiteral("karte")), 1);
    }

    void aFileWithAnyWrongRowStoresNothing_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QStringList>("errors");
        const QByteArray head("Firma;Personalnummer;Name;Vorname;Abteilung;Aktiv\n");
        QTest::newRow("unknown department")
            << head + "1;6001;A;B;;J\n1;6002;A;B;99;J\n"
            << QStringList{"Zeile 3: Abteilung 99 der Firma 1 gibt es nicht"};
        QTest::newRow("duplicate key")
            << head + "1;6001;A;B;;J\n1;6001;C;D;;J\n"
            << QStringList{"Zeile 3: Firma 1, Personalnummer 6001 steht schon in Zeile 2"};
        QTest::newRow("fields missing and bad values")
            << head + "1;6001;A\n0x;6002;A;B;;vielleicht\n1;;A;B;;J\n1;6003;A\tB;C;;J\n"
            << QStringList{"Zeile 2: 3 Felder statt 6 wie in der Kopfzeile",
                           "Zeile 3: Firma „0x“ ist keine Firmennummer (1 bis 9999)",
                           "Zeile 3: Aktiv „vielleicht“ ist weder J noch N",
                           "Zeile 4: Personalnummer ist leer",
                           "Zeile 5: Name enthält Steuerzeichen (Zeilenumbruch, Tabulator o. ä.)"};
        QTest::newRow("characters the stored form keeps umlauts in")
            << head + "1;6001;Schmidt [Aushilfe];B;;J\n1;6002;A;Jörg|Jürgen;;J\n"
            << QStringList{"Zeile 2: Name \"[\" kann nicht gespeichert werden: die Datenbank hält damit "
                           "\"Ä\" fest (die Zeichen {|}~[\\]õ stehen dort für Umlaute, ß und §)",
                           "Zeile 3: Vorname \"|\" kann nicht gespeichert werden: die Datenbank hält damit "
                           "\"ö\" fest (die Zeichen {|}~[\\]õ stehen dort für Umlaute, ß und §)"};
        QTest::newRow("unknown and missing columns")
            << QByteArray("Firma;Persnr;Name\n1;6001;A\n")
            << QStringList{"Zeile 1: unbekannte Spalte „Persnr“; bekannt sind: Firma, "
                           "Personalnummer, Name, Vorname, "
                           "Abteilung, Aktiv, E-Mail, Fax",
                           "Zeile 1: Spalte „Personalnummer“ fehlt",
                           "Zeile 1: Spalte „Vorname“ fehlt"};
        QTest::newRow("not a text file")
            << QByteArray("Firma\0;", 7)
            << QStringList{"Die Datei enthält Nullbytes: keine Textdatei"};
    }

    void aFileWithAnyWrongRowStoresNothing()
    {
        QFETCH(QByteArray, content);
        QFETCH(QStringList, errors);
        const ImportReport report = import(MasterData::Employees, content);
        QCOMPARE(report.errors, errors);
        QCOMPARE(count(QStringLiteral("persbasis")), 0);
    }

    void swipeFilesAreBookedOnceAsTheClockWould()
    {
        session_->exec(
            QStringLiteral("INSERT INTO persbasis (firma, pnr, name) VALUES ('1', '1001', 'A')"));
        session_->exec(QStringLiteral(
            "INSERT INTO karte (firma, karte, pnr) VALUES ('1', '      4711', '1001')"));
        const QString swipes =
            file(QStringLiteral("uhr.csv"), "Terminal;Karte;Art;Datum;Uhrzeit\n"
                                            "FIL01T1;4711;K;31.01.2024;07:05\n"
                                            "FIL01T1;815;Gehen;2024-01-31;16:30:59\n");
        for (int round = 0; round < 2; ++round) {
            const SwipeReport report = importSwipes(*session_, swipes, QStringLiteral("1"));
            QCOMPARE(report.errors, QStringList());
            QCOMPARE(report.bookedBefore, round == 0 ? 0 : 2);
            QCOMPARE(report.timeBookings + report.unassigned, round == 0 ? 2 : 0);
        }
        QCOMPARE(session_->firstValue(QStringLiteral("SELECT buchungstext FROM stempelung WHERE pnr IS NULL")).toString(),
                 QStringLiteral("FIL01T1  G                 815202401311630"));
        QCOMPARE(session_->firstValue(QStringLiteral("SELECT pnr || substr(buchungstext, 31, 12) FROM stempelung WHERE pnr IS NOT NULL"))
                     .toString(),
                 QStringLiteral("1001202401310705"));

        const SwipeReport wrong = importSwipes(
            *session_,
            file(QStringLiteral("falsch.csv"),
                 "Firma;Terminal;Karte;Art;Datum;Uhrzeit\n1;T1;900;K;01.02.2024;07:00\n"
                 "1;T1;901;K;30.02.2024;07:00\n1;T1;902;X;01.02.2024;07:00\n"),
            QStringLiteral("1"));
        QCOMPARE(wrong.errors.size(), 2);
        QVERIFY2(wrong.errors.at(0).startsWith(QStringLiteral("Zeile 3: ")),
                 qPrintable(wrong.errors.at(0)));
        QVERIFY2(wrong.errors.at(1).startsWith(QStringLiteral("Zeile 4: Buchungsart")),
                 qPrintable(wrong.errors.at(1)));
        QCOMPARE(count(QStringLiteral("stempelung WHERE pnr IS NULL")), 1); // not even the good line of that file
    }

    void aLongSwipeFileIsBookedOnceEvenWhenItRepeatsASwipe()
    {
        // More swipes than one look-up for swipes booked before asks about, and the last
        // swipe twice: within a file as across files, a swipe is booked once.
        QByteArray content = "Terminal;Karte;Art;Datum;Uhrzeit\n";
        for (int minute = 0; minute < 1001; ++minute)
            content += QStringLiteral("T1;%1;K;01.02.2024;%2:%3\n")
                           .arg(5000 + minute)
                           .arg(6 + minute / 60, 2, 10, QLatin1Char('0'))
                           .arg(minute % 60, 2, 10, QLatin1Char('0'))
                           .toUtf8();
        content += content.mid(content.lastIndexOf("T1;"));
        const QString swipes = file(QStringLiteral("lang.csv"), content);
        const SwipeReport first = importSwipes(*session_, swipes, QStringLiteral("1"));
        QCOMPARE(first.errors, QStringList());
        QCOMPARE(first.unassigned, 1001);
        QCOMPARE(first.bookedBefore, 1);
        const SwipeReport again = importSwipes(*session_, swipes, QStringLiteral("1"));
        QCOMPARE(again.bookedBefore, 1002);
        QCOMPARE(count(QStringLiteral("stempelung WHERE pnr IS NULL")), 1001);
    }

    void aWatchedFolderBooksFinishedFilesAndSetsBadOnesAside()
    {
        QTemporaryDir folder;
        QProcess watcher;
        watcher.start(adminProgram(),
                      QStringList{QStringLiteral("swipes"), QStringLiteral("--watch"),
                                  folder.path(), QStringLiteral("--engine"), engineName(db_.kind()),
                                  QStringLiteral("--server"), db_.target().host,
                                  QStringLiteral("--port"), QString::number(db_.target().port),
                                  QStringLiteral("--namespace"), db_.target().nameSpace});
        QVERIFY(watcher.waitForStarted());
        // Written under another name and renamed when done, as a clock should.
        QFile partial(folder.filePath(QStringLiteral("uhr1.tmp")));
        QVERIFY(partial.open(QIODevice::WriteOnly));
        partial.write("Terminal;Karte;Art;Datum;Uhrzeit\nT1;1234;K;01.02.2024;07:00\n");
        partial.close();
        QVERIFY(partial.rename(folder.filePath(QStringLiteral("uhr1.csv"))));
        QFile bad(folder.filePath(QStringLiteral("uhr2.csv")));
        QVERIFY(bad.open(QIODevice::WriteOnly));
        bad.write("Terminal;Karte\nT1;1234\n");
        bad.close();
        QTRY_VERIFY_WITH_TIMEOUT(
            QFile::exists(folder.filePath(QStringLiteral("erledigt/uhr1.csv"))), 15000);
        QTRY_VERIFY_WITH_TIMEOUT(
            QFile::exists(folder.filePath(QStringLiteral("fehler/uhr2.csv.fehler.txt"))), 15000);
        QVERIFY(!QFile::exists(folder.filePath(QStringLiteral("uhr1.csv"))));
        QCOMPARE(count(QStringLiteral("stempelung WHERE pnr IS NULL")), 1);
        ::kill(pid_t(watcher.processId()), SIGTERM);
        QVERIFY(watcher.waitForFinished(10000));
        QCOMPARE(watcher.exitCode(), 0);
    }

    void aWatchedFolderTakesAFileOnlyWhenItsLastLineIsFinished()
    {
        QTemporaryDir folder;
        Watcher watcher(watching(folder));
        QVERIFY(watcher.started());
        // The card stands last, and the clock pauses in the middle of it.
        QFile clock(folder.filePath(QStringLiteral("uhr.csv")));
        QVERIFY(clock.open(QIODevice::WriteOnly));
        clock.write("Terminal;Art;Datum;Uhrzeit;Karte\nT1;K;01.02.2024;07:00;47");
        clock.flush();
        QTest::qWait(7000); // three looks and more: unchanged, but not finished
        QVERIFY2(clock.exists(), qPrintable(watcher.out() + watcher.err()));
        clock.write("11\n");
        clock.close();
        QTRY_VERIFY2_WITH_TIMEOUT(
            watcher.out().contains(
                QStringLiteral("uhr.csv: 1 Stempelungen, 0 Zeitbuchungen, 1 nicht zugeordnet")),
            qPrintable(watcher.out() + watcher.err()), 15000);
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(folder.filePath(QStringLiteral("erledigt/uhr.csv"))),
                                 5000);
        QCOMPARE(watcher.err().count(QStringLiteral("endet nicht mit einem Zeilenumbruch")), 1);
        const Outcome unassigned = runAdminProgram(onDatabase({QStringLiteral("unassigned")}));
        QVERIFY2(unassigned.out.contains(QStringLiteral("      4711202402010700")),
                 qPrintable(unassigned.out));
        QCOMPARE(bookedSwipes(), 1);
    }

    void aWatchedFileThatGrowsAfterItWasPutAwayIsReadAgain()
    {
        QTemporaryDir folder;
        Watcher watcher(watching(folder));
        QVERIFY(watcher.started());
        // The clock keeps the file open, pauses at the end of a line and writes on.
        QFile clock(folder.filePath(QStringLiteral("uhr.csv")));
        QVERIFY(clock.open(QIODevice::WriteOnly));
        clock.write("Terminal;Karte;Art;Datum;Uhrzeit\nT1;5001;K;01.02.2024;08:00\n");
        clock.flush();
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(folder.filePath(QStringLiteral("erledigt/uhr.csv"))),
                                 15000);
        clock.write("T1;5001;G;01.02.2024;16:00\n");
        clock.close();
        QTRY_VERIFY2_WITH_TIMEOUT(
            watcher.out().contains(QStringLiteral(
                "uhr.csv: 2 Stempelungen, 0 Zeitbuchungen, 1 nicht zugeordnet, 1 schon gebucht")),
            qPrintable(watcher.out() + watcher.err()), 20000);
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(folder.filePath(QStringLiteral("erledigt/uhr.csv"))),
                                 5000);
        QVERIFY(!QFile::exists(folder.filePath(QStringLiteral("uhr.csv"))));
        QCOMPARE(bookedSwipes(), 2);
    }

    void aWatcherThatCannotPutFilesAwaySaysSoOnceAndPauses()
    {
        QTemporaryDir folder;
        // A file where the folder erledigt should be: no one, root neither, can write into it.
        QVERIFY(QFile(folder.filePath(QStringLiteral("erledigt"))).open(QIODevice::WriteOnly));
        Watcher watcher(watching(folder));
        QVERIFY(watcher.started());
        file(QStringLiteral("x.tmp"),
             "Terminal;Karte;Art;Datum;Uhrzeit\nT1;5002;K;01.02.2024;08:00\n");
        QVERIFY(QFile::rename(files_.filePath(QStringLiteral("x.tmp")),
                              folder.filePath(QStringLiteral("uhr.csv"))));
        QTest::qWait(9000); // four looks and more
        const QString reads = watcher.out();
        QCOMPARE(reads.count(QStringLiteral("uhr.csv:")), 0);
        QCOMPARE(watcher.err().count(QLatin1Char('\n')), 1);
        QVERIFY2(watcher.err().contains(QStringLiteral("erledigt")) &&
                     watcher.err().contains(QStringLiteral("30 s")),
                 qPrintable(watcher.err()));
        QVERIFY(QFile::exists(folder.filePath(QStringLiteral("uhr.csv"))));
        QCOMPARE(bookedSwipes(), 0);
    }

    void aFileOfTwoEncodingsIsRefusedWithItsLine()
    {
        // Line 2 in UTF-8, line 4 in Windows-1252: read as either, one of the names comes out
        // garbled.
        const QByteArray content("Terminal;Karte;Art;Datum;Uhrzeit\n"
                                 "M\xC3\x9CH1;1;K;01.02.2024;07:00\n"
                                 "T1;2;K;01.02.2024;07:01\n"
                                 "M\xDCH2;3;K;01.02.2024;07:02\n");
        const SwipeReport report = importSwipes(
            *session_, file(QStringLiteral("gemischt.csv"), content), QStringLiteral("1"));
        QCOMPARE(report.errors.size(), 1);
        QVERIFY2(report.errors.first().startsWith(QStringLiteral("Zeile 4: ")) &&
                     report.errors.first().contains(QStringLiteral("Zeile 2")) &&
                     report.errors.first().contains(QStringLiteral("UTF-8")),
                 qPrintable(report.errors.first()));
        QCOMPARE(bookedSwipes(), 0);
        QCOMPARE(parseCsv(content).error, report.errors.first());
    }

    void aWrongLineInABigFileBooksNothingAndTheErrorsStayFew()
    {
        // Far more than fits one read of the file or one lot of bookings; 500 wrong lines in the
        // second half.
        const QString swipes = manySwipes(QStringLiteral("gross.csv"), 60000, 40000, 40);
        const SwipeReport report = importSwipes(*session_, swipes, QStringLiteral("1"));
        QCOMPARE(report.swipes, 60000);
        QCOMPARE(report.timeBookings + report.unassigned + report.bookedBefore, 0);
        QCOMPARE(report.errors.size(), 100);
        QCOMPARE(
            report.errors.first(),
            QStringLiteral("Zeile 40002: Buchungsart \"X\" unbekannt: K (Kommen) oder G (Gehen)"));
        QVERIFY2(report.errors.last().startsWith(QStringLiteral("Zeile 43962: ")),
                 qPrintable(report.errors.last()));
        QCOMPARE(swipeErrorLines(report).last(),
                 QStringLiteral("… und 400 weitere fehlerhafte Zeilen"));
        QCOMPARE(bookedSwipes(), 0);
    }

    void anImportBrokenOffIsFinishedByReadingTheFileAgain()
    {
        const int swipes = 100000;
        const QString path = manySwipes(QStringLiteral("abgebrochen.csv"), swipes);
        const QStringList arguments =
            onDatabase({QStringLiteral("swipes"), QStringLiteral("--file"), path});
        QProcess first;
        startAndAwaitFirstLots(first, arguments);
        // Killed as soon as its first lots are booked, as by a power cut.
        first.kill();
        QVERIFY(first.waitForFinished());
        QCOMPARE(first.exitStatus(), QProcess::CrashExit);
        const int booked = bookedSwipes();
        QVERIFY2(booked > 0 && booked < swipes, qPrintable(QString::number(booked)));

        const Outcome again = runAdminProgram(arguments);
        QCOMPARE(again.err, QString());
        QCOMPARE(
            again.out,
            QStringLiteral("%1 (UTF-8): %2 Stempelungen, 0 Zeitbuchungen, %3 nicht zugeordnete "
                           "Buchungen, %4 schon gebucht\n")
                .arg(path)
                .arg(swipes)
                .arg(swipes - booked)
                .arg(booked));
        QCOMPARE(bookedSwipes(), swipes);
    }

    void aFileChangedWhileItIsBookedKeepsTheLotsBeforeAndSaysSo()
    {
        const int swipes = 100000;
        const QString path = manySwipes(QStringLiteral("geaendert.csv"), swipes);
        const QStringList arguments =
            onDatabase({QStringLiteral("swipes"), QStringLiteral("--file"), path});
        QProcess importing;
        startAndAwaitFirstLots(importing, arguments);
        // Once its first lots are booked, the last swipe of the file is rewritten as a wrong one.
        const auto lastKindBecomes = [&path](const QByteArray &kind) {
            QFile clock(path);
            QVERIFY(clock.open(QIODevice::ReadWrite));
            QVERIFY(clock.seek(clock.readAll().lastIndexOf(";\"") + 1));
            QCOMPARE(clock.write(kind), qint64(kind.size()));
        };
        lastKindBecomes("\"X\"");
        QVERIFY(importing.waitForFinished(120000));
        QCOMPARE(importing.exitCode(), 1);
        const QString err = QString::fromUtf8(importing.readAllStandardError());
        QVERIFY2(err.contains(QStringLiteral("Die Datei hat sich während des Einlesens geändert "
                                             "(Zeile %1: Buchungsart \"X\"")
                                  .arg(swipes + 1)),
                 qPrintable(err));
        const int booked = bookedSwipes();
        QVERIFY2(booked > 0 && booked < swipes, qPrintable(QString::number(booked)));

        // Put right, the file books the rest.
        lastKindBecomes("\"K\"");
        const Outcome again = runAdminProgram(arguments);
        QCOMPARE(again.err, QString());
        const QString rest = QStringLiteral("%1 nicht zugeordnete Buchungen, %2 schon gebucht")
                                 .arg(swipes - booked)
                                 .arg(booked);
        QVERIFY2(again.out.contains(rest), qPrintable(again.out));
        QCOMPARE(bookedSwipes(), swipes);
    }

    void aFailureOfTheReadingThreadReachesTheImporter()
    {
        // Else the importer would wait for the lot for ever, or the program end at once.
        ReadAhead lots([](int swipes, SwipeLot &lot) {
            if (swipes == 0)
                throw CacheError(EngineError::DatabaseFailure, QStringLiteral("kaputt"));
            lot.last = swipes == 1;
        });
        lots.request(2);
        QCOMPARE(lots.take().last, false);
        lots.request(0);
        QVERIFY_THROWS_EXCEPTION(CacheError, lots.take());
    }

    void aDryRunSeesEachFileOnTopOfTheOthersAndStoresNothing()
    {
        AdminOptions options;
        options.command = QStringLiteral("import");
        options.engine = db_.kind();
        options.target = db_.target();
        options.dryRun = true;
        options.importFiles = {
            {QStringLiteral("abteilungen"),
             file(QStringLiteral("a.csv"), "Firma;Abteilung;Bezeichnung\n1;30;Hof\n")},
            {QStringLiteral("mitarbeiter"),
             file(QStringLiteral("m.csv"),
                  "Firma;Personalnummer;Name;Vorname;Abteilung\n1;7001;A;B;30\n")},
        };
        QString out, err;
        QTextStream outStream(&out), errStream(&err);
        QCOMPARE(runAdminCommand(options, outStream, errStream), 0);
        outStream.flush();
        QVERIFY2(out.contains(QStringLiteral("mitarbeiter: ")) &&
                     out.contains(QStringLiteral("1 neu")),
                 qPrintable(out));
        QCOMPARE(count(QStringLiteral("parpersabt")) + count(QStringLiteral("persbasis")), 0);
    }
};

QTEST_GUILESS_MAIN(TestImport)
#include "test_import.moc"
