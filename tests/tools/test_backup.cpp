// karven-admin backup and restore of the embedded database, run as the real
// program while a connection of the engine (the running program's) holds the
// database open.

#include "engine/schema.h"
#include "engine/session.h"
#include "tests/tools/adminprocess.h"
#include "tools/admincommands.h"
#include "tools/commandline/commandline.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
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

// The id that "book" reported: "Nicht zugeordnete Buchung N: ...".
qint64 bookedId(const Outcome &booked)
{
    return booked.out.section(QLatin1Char(' '), 3, 3).remove(QLatin1Char(':')).toLongLong();
}

// The file that restore's output names as the copy of the replaced database.
QString keptCopy(const Outcome &restored)
{
    const QString marker = QStringLiteral("aufbewahrt in ");
    const qsizetype at = restored.out.indexOf(marker);
    return at < 0 ? QString()
                  : restored.out.mid(at + marker.size()).section(QLatin1Char('\n'), 0, 0).trimmed();
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

    void book(const QString &card, qint64 *id = nullptr)
    {
        const Outcome booked = runProgram({QStringLiteral("book"), QStringLiteral("--card"), card});
        QCOMPARE(booked.exitCode, int(ExitSuccess));
        if (id)
            *id = bookedId(booked);
    }

    // The entries of the data folder, without SQLite's passing -wal and -shm files.
    QStringList dataFiles() const
    {
        QStringList files;
        for (const QFileInfo &entry : QDir(path(QStringLiteral("data")))
                                          .entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot))
            if (!entry.fileName().endsWith(QLatin1String("-wal")) &&
                !entry.fileName().endsWith(QLatin1String("-shm")))
                files << entry.fileName();
        return files;
    }

    // Every table that hands out ids, by the catalogue, and the highest id it has
    // handed out: the larger of its sqlite_sequence number and its largest id.
    QMap<QString, qint64> highestIds()
    {
        QMap<QString, qint64> highest;
        const QStringList tables = texts(QStringLiteral(
            "SELECT name FROM sqlite_master WHERE type = 'table' AND sql LIKE '%AUTOINCREMENT%'"));
        for (const QString &table : tables) {
            const QVariant sequence = program_->firstValue(
                QStringLiteral("SELECT seq FROM sqlite_sequence WHERE name = ?"), {table});
            const QVariant largest =
                program_->firstValue(QStringLiteral("SELECT max(rowid) FROM \"%1\"").arg(table));
            highest[table] = qMax(sequence.toLongLong(), largest.toLongLong());
        }
        return highest;
    }

    // A row in the table with every column but its id empty, written by the
    // running program as any writer there would: the id it got.
    qint64 insertRow(const QString &table)
    {
        QStringList columns;
        QStringList values;
        QSqlQuery info = program_->exec(
            QStringLiteral("SELECT name, \"notnull\" FROM pragma_table_info(?) WHERE pk = 0"),
            {table});
        while (info.next()) {
            columns << info.value(0).toString();
            // Different each time: some tables keep a value unique (a swipe's identity).
            values << (info.value(1).toBool() ? QStringLiteral("hex(randomblob(8))") : QStringLiteral("NULL"));
        }
        info = QSqlQuery();
        program_->exec(
            QStringLiteral("INSERT INTO \"%1\" (%2) VALUES (%3)")
                .arg(table, columns.join(QLatin1Char(',')), values.join(QLatin1Char(','))));
        return program_->firstValue(QStringLiteral("SELECT last_insert_rowid()")).toLongLong();
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

    void idsAreNeverHandedOutAgainAfterARestore()
    {
        const QString backup = path(QStringLiteral("sicherung.sqlite"));
        backUpTo(backup);
        // After the backup a swipe came in that a workstation still shows with
        // its id, and every table that hands out ids gave out some more: rows
        // written, and rows written and deleted again.
        qint64 shown = 0;
        book(QStringLiteral("SHOWN"), &shown);
        QVERIFY(shown > 0);
        const QStringList tables = highestIds().keys();
        QVERIFY(!tables.isEmpty());
        QMap<QString, qint64> before;
        QProcess restore;
        program_->transaction([&] {
            for (const QString &table : tables) {
                insertRow(table);
                const qint64 deleted = insertRow(table);
                program_->exec(QStringLiteral("DELETE FROM \"%1\" WHERE rowid = ?").arg(table),
                               {deleted});
            }
            before = highestIds();
            // The restore starts while this is being written and waits for it:
            // these ids are handed out before the contents are replaced too.
            restore.start(adminProgram(),
                          {QStringLiteral("restore"), QStringLiteral("--from"), backup,
                           QStringLiteral("--engine"), QStringLiteral("sqlite")});
            QVERIFY(restore.waitForStarted());
            QVERIFY(!restore.waitForFinished(1500));
        });
        QVERIFY(restore.waitForFinished(60000));
        QVERIFY2(restore.exitCode() == ExitSuccess, restore.readAllStandardError().constData());

        // The next swipe is not taken for the one the workstation shows.
        qint64 next = 0;
        book(QStringLiteral("NEXT"), &next);
        QVERIFY2(next > shown, qPrintable(QStringLiteral("%1 after %2").arg(next).arg(shown)));
        // And the running program's next row of every table continues above
        // all ids handed out before.
        for (const QString &table : tables) {
            const qint64 id = insertRow(table);
            QVERIFY2(id > before.value(table),
                     qPrintable(QStringLiteral("%1: id %2, handed out before up to %3")
                                    .arg(table)
                                    .arg(id)
                                    .arg(before.value(table))));
        }
    }

    void theReplacedDatabaseIsKeptBesideIt()
    {
        const QString backup = path(QStringLiteral("sicherung.sqlite"));
        backUpTo(backup);
        book(QStringLiteral("KEPT"));
        const QStringList replaced = liveState();

        const Outcome restored =
            runProgram({QStringLiteral("restore"), QStringLiteral("--from"), backup});
        QVERIFY2(restored.exitCode == ExitSuccess, qPrintable(restored.err));
        const QString kept = keptCopy(restored);
        QVERIFY2(kept.startsWith(database() + QLatin1Char('.')), qPrintable(restored.out));
        QCOMPARE(onFile(kept, {QStringLiteral("PRAGMA integrity_check")}),
                 QVariantList{QStringLiteral("ok")});
        QVERIFY(liveState() != replaced);

        // The copy is a KARVEN database that restore takes back; restoring keeps
        // a copy again, never over the first.
        const QByteArray keptBytes = contentsOf(kept);
        const Outcome back =
            runProgram({QStringLiteral("restore"), QStringLiteral("--from"), kept});
        QVERIFY2(back.exitCode == ExitSuccess, qPrintable(back.err));
        QCOMPARE(liveState(), replaced);
        const QString second = keptCopy(back);
        QVERIFY2(!second.isEmpty() && second != kept, qPrintable(back.out));
        QVERIFY(QFile::exists(second));
        QCOMPARE(contentsOf(kept), keptBytes);
    }

    void aBackupOfANewerVersionIsRefused()
    {
        const QString backup = path(QStringLiteral("sicherung.sqlite"));
        backUpTo(backup);
        const QVariantList changed =
            onFile(backup, {QStringLiteral("UPDATE schemaversion SET version = %1")
                                .arg(currentSchemaVersion + 1)});
        QVERIFY2(changed.isEmpty(), qPrintable(changed.value(0).toString()));
        book(QStringLiteral("STAYS"));
        const QStringList liveBefore = liveState();
        const QStringList filesBefore = dataFiles();

        const Outcome refused =
            runProgram({QStringLiteral("restore"), QStringLiteral("--from"), backup});
        QCOMPARE(refused.exitCode, int(ExitFailure));
        QVERIFY(refused.out.isEmpty());
        for (const QString &named :
             {QStringLiteral("Schemaversion %1").arg(currentSchemaVersion + 1),
              QStringLiteral("bis %1").arg(currentSchemaVersion)})
            QVERIFY2(refused.err.contains(named), qPrintable(refused.err));
        QCOMPARE(liveState(), liveBefore);
        QCOMPARE(dataFiles(), filesBefore);
        // Everything still works on the database.
        const Outcome checked = runProgram({QStringLiteral("check")});
        QVERIFY2(checked.exitCode == ExitSuccess, qPrintable(checked.out + checked.err));
    }

    void aBackupOfTheFirstReleaseIsUpgraded()
    {
        // The oldest database kept: release 1.0.8, before versions were kept.
        const QString backup = path(QStringLiteral("release-1.0.8.sqlite"));
        QVERIFY(QFile::copy(QStringLiteral(KARVEN_TEST_DATA "/release-1.0.8.sqlite"), backup));
        QFile(backup).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        const QByteArray backupBytes = contentsOf(backup);

        const Outcome restored =
            runProgram({QStringLiteral("restore"), QStringLiteral("--from"), backup});
        QVERIFY2(restored.exitCode == ExitSuccess, qPrintable(restored.err));
        QCOMPARE(contentsOf(backup), backupBytes);

        // At this program's version, under the running program as for every command.
        QCOMPARE(texts(QStringLiteral("SELECT max(version) FROM schemaversion")),
                 QStringList{QString::number(currentSchemaVersion)});
        const Outcome checked = runProgram({QStringLiteral("check")});
        QVERIFY2(checked.exitCode == ExitSuccess, qPrintable(checked.out + checked.err));
        QVERIFY2(
            checked.out.contains(QStringLiteral("Schemaversion: %1").arg(currentSchemaVersion)),
            qPrintable(checked.out));
        // Upgraded as opening upgrades it: of its seven swipes one was done and
        // one booked along with an assigned card, five remain.
        const Outcome listed = runProgram({QStringLiteral("unassigned")});
        QCOMPARE(listed.out.trimmed().split(QLatin1Char('\n')).size(), 5);
        book(QStringLiteral("AFTER"));
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
        // There was nothing to keep.
        QVERIFY2(keptCopy(restored).isEmpty(), qPrintable(restored.out));
        QCOMPARE(QDir(path(QStringLiteral("neu/daten"))).entryList(QDir::Files),
                 QStringList{QStringLiteral("karven.sqlite")});
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
        QTest::newRow("first release that cannot be upgraded")
            << QStringList{QStringLiteral("RELEASE"),
                           QStringLiteral("ALTER TABLE persbasis ADD COLUMN abtnr TEXT")}
            << "nicht auf Version";
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
            } else if (layout.first() == QLatin1String("RELEASE")) {
                QVERIFY(
                    QFile::copy(QStringLiteral(KARVEN_TEST_DATA "/release-1.0.8.sqlite"), file));
                QFile(file).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
                layout.removeFirst();
            }
            const QVariantList failure = onFile(file, layout);
            QVERIFY2(failure.isEmpty(), qPrintable(failure.value(0).toString()));
        }
        const QByteArray fileBefore = contentsOf(file);
        const QStringList liveBefore = liveState();
        const QStringList filesBefore = dataFiles();

        const Outcome refused =
            runProgram({QStringLiteral("restore"), QStringLiteral("--from"), file});
        QCOMPARE(refused.exitCode, int(ExitFailure));
        QVERIFY2(refused.err.contains(named), qPrintable(refused.err));
        QVERIFY(refused.out.isEmpty());
        QCOMPARE(liveState(), liveBefore);
        QCOMPARE(dataFiles(), filesBefore);
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
