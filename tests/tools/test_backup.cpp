// karven-admin backup and restore of the embedded database, run as the real
// program while a connection of the engine (the running program's) holds the
// database open.

#include "admincommands.h"
#include "adminprocess.h"
#include "commandline.h"
#include "session.h"

#include <QElapsedTimer>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <QTest>

namespace {

Outcome runProgram(const QStringList &arguments)
{
    return runAdminProgram(arguments +
                           QStringList{QStringLiteral("--engine"), QStringLiteral("sqlite")});
}

// Runs statements on any SQLite file, past the engine, to make and read test files.
QVariantList onFile(const QString &file, const QStringList &statements)
{
    const QString name = QStringLiteral("test-backup-file");
    QVariantList result;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(file);
        if (db.open()) {
            for (const QString &statement : statements) {
                QSqlQuery query(db);
                if (!query.exec(statement))
                    result = {query.lastError().text()};
                else
                    while (query.next())
                        result << query.value(0);
            }
        }
    }
    QSqlDatabase::removeDatabase(name);
    return result;
}

QByteArray contentsOf(const QString &file)
{
    QFile in(file);
    return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
}

} // namespace

class TestBackup : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> folder_;
    std::unique_ptr<Session> program_;

    QString path(const QString &name) const { return folder_->filePath(name); }
    QString database() const { return path(QStringLiteral("data/karven.sqlite")); }

    QStringList texts(const QString &sql)
    {
        QSqlQuery query = program_->exec(sql);
        QStringList result;
        while (query.next())
            result << query.value(0).toString();
        return result;
    }

    // Everything a refused command must leave alone.
    QStringList liveState()
    {
        return texts(QStringLiteral("SELECT buchungstext FROM stempelung WHERE pnr IS NULL ORDER BY id")) +
               texts(QStringLiteral("SELECT firma || pnr || name FROM persbasis ORDER BY 1"));
    }

    void book(const QString &card)
    {
        const Outcome booked = runProgram({QStringLiteral("book"), QStringLiteral("--card"), card});
        QCOMPARE(booked.exitCode, int(ExitSuccess));
    }

    void backUpTo(const QString &file)
    {
        const Outcome saved = runProgram({QStringLiteral("backup"), QStringLiteral("--to"), file});
        QVERIFY2(saved.exitCode == ExitSuccess, qPrintable(saved.err));
    }

private Q_SLOTS:
    void init()
    {
        folder_ = std::make_unique<QTemporaryDir>();
        QVERIFY(folder_->isValid());
        qputenv("KARVEN_DATA_DIR", path(QStringLiteral("data")).toLocal8Bit());
        QCOMPARE(runProgram({QStringLiteral("seed")}).exitCode, int(ExitSuccess));
        ConnectionTarget target;
        target.host = QStringLiteral("localhost");
        target.port = 1973;
        target.nameSpace = QStringLiteral("KARVEN");
        program_ = std::make_unique<Session>(EngineKind::Sqlite, target);
        QVERIFY2(program_->open(), qPrintable(program_->lastError()));
    }

    void cleanup()
    {
        program_.reset();
        folder_.reset();
    }

    void backupTakesTheCommittedStateWhileTheProgramWrites()
    {
        // Committed but still in the write-ahead log, where a copy of the file would miss it.
        book(QStringLiteral("COMMITTED"));
        const QString backup = path(QStringLiteral("sicherung.sqlite"));
        Outcome saved;
        QElapsedTimer clock;
        program_->transaction([&] {
            program_->exec(QStringLiteral("INSERT INTO stempelung (firma, karte, buchungstext)"
                                          " VALUES ('1', 'OPEN', 'OPEN')"));
            clock.start();
            saved = runProgram({QStringLiteral("backup"), QStringLiteral("--to"), backup});
        });
        QVERIFY2(saved.exitCode == ExitSuccess, qPrintable(saved.err));
        QVERIFY2(saved.out.contains(backup), qPrintable(saved.out));
        // The writer did not hold the backup up.
        QVERIFY(clock.elapsed() < 4000);

        const QVariantList backedUp =
            onFile(backup, {QStringLiteral("SELECT trim(karte) FROM stempelung WHERE pnr IS NULL ORDER BY id")});
        QVERIFY(backedUp.contains(QStringLiteral("COMMITTED")));
        QVERIFY(!backedUp.contains(QStringLiteral("OPEN")));
        QCOMPARE(backedUp.size(), texts(QStringLiteral("SELECT karte FROM stempelung WHERE pnr IS NULL")).size() - 1);
        QCOMPARE(onFile(backup, {QStringLiteral("PRAGMA integrity_check")}),
                 QVariantList{QStringLiteral("ok")});
    }

    void restoreReplacesTheDataUnderTheRunningProgram()
    {
        const QStringList saved = liveState();
        const QString backup = path(QStringLiteral("sicherung.sqlite"));
        backUpTo(backup);
        book(QStringLiteral("AFTERWARDS"));
        program_->exec(QStringLiteral("DELETE FROM persbasis WHERE pnr = '1002'"));
        QVERIFY(liveState() != saved);

        const Outcome restored =
            runProgram({QStringLiteral("restore"), QStringLiteral("--from"), backup});
        QVERIFY2(restored.exitCode == ExitSuccess, qPrintable(restored.err));
        QVERIFY2(restored.out.contains(database()), qPrintable(restored.out));

        // The program's open connection reads the restored state and can go on writing.
        QCOMPARE(liveState(), saved);
        book(QStringLiteral("LATER"));
        QCOMPARE(texts(QStringLiteral("SELECT count(*) FROM stempelung WHERE pnr IS NULL AND karte LIKE '%LATER'")),
                 QStringList{QStringLiteral("1")});
    }

    void restoreMakesTheDatabaseOfANewWorkstation()
    {
        const QString backup = path(QStringLiteral("sicherung.sqlite"));
        backUpTo(backup);
        const QStringList bookings = texts(QStringLiteral("SELECT karte FROM stempelung WHERE pnr IS NULL ORDER BY id"));
        program_.reset();
        qputenv("KARVEN_DATA_DIR", path(QStringLiteral("neu/daten")).toLocal8Bit());
        const Outcome restored =
            runProgram({QStringLiteral("restore"), QStringLiteral("--from"), backup});
        QVERIFY2(restored.exitCode == ExitSuccess, qPrintable(restored.err));
        QStringList restoredBookings;
        for (const QVariant &card :
             onFile(path(QStringLiteral("neu/daten/karven.sqlite")),
                    {QStringLiteral("SELECT karte FROM stempelung WHERE pnr IS NULL ORDER BY id")}))
            restoredBookings << card.toString();
        QVERIFY(!bookings.isEmpty());
        QCOMPARE(restoredBookings, bookings);
    }

    void restoreRefusesWhatIsNoKarvenDatabase_data()
    {
        QTest::addColumn<QStringList>("layout"); // statements that make the file, or its text
        QTest::addColumn<QString>("named");      // what the message must name

        QTest::newRow("missing file") << QStringList() << "existiert nicht";
        QTest::newRow("text file")
            << QStringList{QStringLiteral("TEXT:Kassenbuch 2024\n")} << "keine KARVEN-Datenbank";
        QTest::newRow("empty file") << QStringList{QStringLiteral("TEXT:")} << "die Tabelle";
        QTest::newRow("other database")
            << QStringList{QStringLiteral("CREATE TABLE kunden (nr INTEGER, name TEXT)")}
            << "die Tabelle";
        QTest::newRow("table missing")
            << QStringList{QStringLiteral("BACKUP"), QStringLiteral("DROP TABLE karte")} << "karte";
        QTest::newRow("column missing")
            << QStringList{QStringLiteral("BACKUP"),
                           QStringLiteral("ALTER TABLE persbasis DROP COLUMN vorname")}
            << "vorname";
        QTest::newRow("the database itself")
            << QStringList{QStringLiteral("SELF")} << "die Datenbank selbst";
    }

    void restoreRefusesWhatIsNoKarvenDatabase()
    {
        QFETCH(QStringList, layout);
        QFETCH(QString, named);
        QString file = path(QStringLiteral("fremd.sqlite"));
        if (layout.value(0) == QLatin1String("SELF")) {
            file = database();
        } else if (layout.value(0).startsWith(QLatin1String("TEXT:"))) {
            QFile out(file);
            QVERIFY(out.open(QIODevice::WriteOnly));
            out.write(layout.value(0).mid(5).toUtf8());
        } else if (!layout.isEmpty()) {
            if (layout.first() == QLatin1String("BACKUP")) {
                backUpTo(file);
                layout.removeFirst();
            }
            const QVariantList failure = onFile(file, layout);
            QVERIFY2(failure.isEmpty(), qPrintable(failure.value(0).toString()));
        }
        const QByteArray fileBefore = contentsOf(file);
        const QStringList liveBefore = liveState();

        const Outcome refused =
            runProgram({QStringLiteral("restore"), QStringLiteral("--from"), file});
        QCOMPARE(refused.exitCode, int(ExitFailure));
        QVERIFY2(refused.err.contains(named), qPrintable(refused.err));
        QVERIFY(refused.out.isEmpty());
        QCOMPARE(liveState(), liveBefore);
        if (file != database())
            QCOMPARE(contentsOf(file), fileBefore);
    }

    void backupOverwritesOnlyWhenForced()
    {
        const QString file = path(QStringLiteral("notizen.txt"));
        {
            QFile out(file);
            QVERIFY(out.open(QIODevice::WriteOnly));
            out.write("nicht überschreiben\n");
        }
        const Outcome refused =
            runProgram({QStringLiteral("backup"), QStringLiteral("--to"), file});
        QCOMPARE(refused.exitCode, int(ExitFailure));
        QVERIFY2(refused.err.contains(QStringLiteral("--force")), qPrintable(refused.err));
        QCOMPARE(contentsOf(file), QByteArray("nicht überschreiben\n"));

        // Over an older backup: that is what --force is for.
        const QString older = path(QStringLiteral("gestern.sqlite"));
        backUpTo(older);
        book(QStringLiteral("TODAY"));
        const Outcome forced = runProgram(
            {QStringLiteral("backup"), QStringLiteral("--to"), older, QStringLiteral("--force")});
        QVERIFY2(forced.exitCode == ExitSuccess, qPrintable(forced.err));
        QCOMPARE(onFile(older, {QStringLiteral("SELECT count(*) FROM stempelung WHERE pnr IS NULL AND karte LIKE "
                                               "'%TODAY'")}),
                 QVariantList{1});

        const Outcome self = runProgram({QStringLiteral("backup"), QStringLiteral("--to"),
                                         database(), QStringLiteral("--force")});
        QCOMPARE(self.exitCode, int(ExitFailure));
        QVERIFY2(self.err.contains(QStringLiteral("die Datenbank selbst")), qPrintable(self.err));
        QVERIFY(!liveState().isEmpty());
    }

    void backupOfAMissingDatabaseWritesNothing()
    {
        program_.reset();
        qputenv("KARVEN_DATA_DIR", path(QStringLiteral("leer")).toLocal8Bit());
        const QString file = path(QStringLiteral("sicherung.sqlite"));
        const Outcome refused =
            runProgram({QStringLiteral("backup"), QStringLiteral("--to"), file});
        QCOMPARE(refused.exitCode, int(ExitFailure));
        QVERIFY2(refused.err.contains(QStringLiteral("existiert nicht")), qPrintable(refused.err));
        QVERIFY(!QFile::exists(file));
        QVERIFY(!QFile::exists(path(QStringLiteral("leer/karven.sqlite"))));
    }

    void postgresIsLeftToItsOwnTools_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("backup") << QStringList{QStringLiteral("backup"), QStringLiteral("--to")};
        QTest::newRow("restore") << QStringList{QStringLiteral("restore"),
                                                QStringLiteral("--from")};
    }

    void postgresIsLeftToItsOwnTools()
    {
        QFETCH(QStringList, arguments);
        const QString file = path(QStringLiteral("sicherung.sqlite"));
        backUpTo(file);
        const QByteArray before = contentsOf(file);
        // Refused before any connection is tried: no server is needed here.
        const CommandLine line = parseCommandLine(
            QStringList{QStringLiteral("karven-admin")} + arguments +
            QStringList{file, QStringLiteral("--engine"), QStringLiteral("postgres"),
                        QStringLiteral("--port"), QStringLiteral("1")});
        QCOMPARE(line.outcome, CommandLine::Run);
        QString out;
        QString err;
        QTextStream outStream(&out);
        QTextStream errStream(&err);
        QCOMPARE(runAdminCommand(line.options, outStream, errStream), int(ExitFailure));
        errStream.flush();
        QVERIFY2(err.contains(QStringLiteral("pg_dump")), qPrintable(err));
        QCOMPARE(contentsOf(file), before);
    }
};

QTEST_GUILESS_MAIN(TestBackup)
#include "test_backup.moc"
