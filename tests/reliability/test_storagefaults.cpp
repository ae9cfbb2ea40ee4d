// The embedded database when its storage fails: a full disk, a file that is
// empty, cut short, damaged or a folder, a write-protected file or folder.
// Nothing may be reported as done that is not stored, and no file that is no
// KARVEN database may be replaced. Mounting and write protection need root;
// where the machine refuses them the cases skip.

#include "engine/databaseadmin.h"
#include "engine/enginenotices.h"
#include "engine/sqlfactory.h"
#include "tests/reliability/failingvfs.h"
#include "tests/tools/adminprocess.h"
#include "tools/admincommands.h"
#include "tools/commandline/commandline.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

namespace {

bool run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    return process.waitForFinished() && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

struct Notice
{
    QString text;
    QString parameter;
};

} // namespace

class TestStorageFaults : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir work_;
    QString dataDir_;
    QString goodBackup_;
    QVector<QStringList> undo_; // program and arguments, run after each case
    QVector<Notice> notices_;

    QString file() const { return dataDir_ + QStringLiteral("/karven.sqlite"); }

    Outcome admin(const QStringList &arguments) { return runAdminProgram(arguments); }

    void freshDataDir()
    {
        static int number = 0;
        dataDir_ = work_.filePath(QString::number(++number));
        QVERIFY(QDir().mkpath(dataDir_));
        qputenv("KARVEN_DATA_DIR", dataDir_.toUtf8());
    }

    void seed()
    {
        const Outcome seeded = admin({QStringLiteral("seed"), QStringLiteral("--force")});
        QVERIFY2(seeded.exitCode == 0, qPrintable(seeded.err));
    }

    bool privileged(const QString &program, const QStringList &arguments, const QStringList &undo)
    {
        if (!run(program, arguments))
            return false;
        undo_.prepend(undo);
        return true;
    }

    bool protectFile()
    {
        return privileged(QStringLiteral("chattr"), {QStringLiteral("+i"), file()},
                          {QStringLiteral("chattr"), QStringLiteral("-i"), file()});
    }

    bool protectFolder()
    {
        return privileged(QStringLiteral("mount"), {QStringLiteral("--bind"), dataDir_, dataDir_},
                          {QStringLiteral("umount"), dataDir_}) &&
               run(QStringLiteral("mount"),
                   {QStringLiteral("-o"), QStringLiteral("remount,ro,bind"), dataDir_});
    }

    // A 1 MiB file system with the database and a filler that leaves `free` bytes.
    bool fillDisk(qint64 free)
    {
        if (!privileged(QStringLiteral("mount"),
                        {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                         QStringLiteral("size=1M"), QStringLiteral("tmpfs"), dataDir_},
                        {QStringLiteral("umount"), dataDir_}))
            return false;
        seed();
        QFile filler(dataDir_ + QStringLiteral("/filler"));
        filler.open(QIODevice::WriteOnly);
        const QByteArray block(4096, '\0');
        while (filler.write(block) == block.size() && filler.flush())
            ;
        filler.close();
        filler.resize(qMax<qint64>(0, filler.size() - free));
        return true;
    }

    // Garbage over the first page of the login users' table, which a booking never reads.
    void damageUsersTable()
    {
        int root = 0;
        int pageSize = 0;
        {
            QSqlDatabase db =
                QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("probe"));
            db.setDatabaseName(file());
            QVERIFY(db.open());
            QSqlQuery query(db);
            QVERIFY(query.exec(QStringLiteral(
                        "SELECT rootpage FROM sqlite_master WHERE name = 'parpersedv'")) &&
                    query.next());
            root = query.value(0).toInt();
            QVERIFY(query.exec(QStringLiteral("PRAGMA page_size")) && query.next());
            pageSize = query.value(0).toInt();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("probe"));
        QFile database(file());
        QVERIFY(database.open(QIODevice::ReadWrite));
        database.seek(qint64(root - 1) * pageSize);
        database.write(QByteArray(64, '\xa5'));
    }

    // Lays out the data folder as the state names it; false where the machine cannot.
    bool lay(const QString &state)
    {
        if (state == QLatin1String("missing"))
            return true;
        if (state == QLatin1String("empty"))
            return QFile(file()).open(QIODevice::WriteOnly);
        if (state == QLatin1String("folder"))
            return QDir().mkdir(file());
        if (state == QLatin1String("full disk"))
            return fillDisk(0);
        seed();
        if (state == QLatin1String("truncated"))
            return QFile(file()).resize(QFile(file()).size() / 2);
        if (state == QLatin1String("damaged"))
            damageUsersTable();
        if (state == QLatin1String("write-protected file"))
            return protectFile();
        if (state == QLatin1String("write-protected folder"))
            return protectFolder();
        return true;
    }

    // The file's bytes and the folder's other files that hold anything: what
    // must not change. SQLite's -shm index is left out: where a full disk keeps
    // SQLite from removing it, the next opener rebuilds it (that it is never
    // left write-protected is a case of its own).
    QString snapshot() const
    {
        QFile database(file());
        const QByteArray bytes =
            database.open(QIODevice::ReadOnly) ? database.readAll() : QByteArray("-");
        QString state = QString::fromLatin1(
            QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
        for (const QFileInfo &entry :
             QDir(dataDir_).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot))
            if (entry.isDir() ||
                (entry.size() > 0 && !entry.fileName().endsWith(QLatin1String("-shm"))))
                state += QLatin1Char(' ') + entry.fileName();
        return state;
    }

    // Whether the booking that "book" reported ("Nicht zugeordnete Buchung N: ...") is listed.
    bool bookingListed(const QString &output)
    {
        const QString id = output.section(QLatin1Char(' '), 3, 3).remove(QLatin1Char(':'));
        const QString listed = QLatin1Char('\n') + admin({QStringLiteral("unassigned")}).out;
        return listed.contains(QLatin1Char('\n') + id + QLatin1Char('\t'));
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(work_.isValid());
        qputenv("KARVEN_ENGINE", "sqlite");
        installFailingVfs();
        setEngineNoticeSink([this](const QString &, const QString &text, const QString &parameter) {
            notices_.append({text, parameter});
        });
        freshDataDir();
        seed();
        goodBackup_ = work_.filePath(QStringLiteral("good.sqlite"));
        QCOMPARE(admin({QStringLiteral("backup"), QStringLiteral("--to"), goodBackup_}).exitCode,
                 0);
    }

    void init()
    {
        freshDataDir();
        notices_.clear();
    }

    void cleanup()
    {
        setWritesFail(false);
        for (const QStringList &command : std::as_const(undo_))
            run(command.first(), command.mid(1));
        undo_.clear();
    }

    void everyCommandOnEveryBadFile_data()
    {
        QTest::addColumn<QString>("state");
        QTest::addColumn<QStringList>("command");
        QTest::addColumn<bool>("mayWork");
        const QString backupTo = work_.filePath(QStringLiteral("copy-%1.sqlite"));
        const QVector<QStringList> commands = {
            {QStringLiteral("create"), QStringLiteral("--name"), QStringLiteral("Baustoffe"),
             QStringLiteral("--wj"), QStringLiteral("2024")},
            {QStringLiteral("seed")},
            {QStringLiteral("book"), QStringLiteral("--card"), QStringLiteral("4040")},
            {QStringLiteral("unassigned")},
            {QStringLiteral("bookings"), QStringLiteral("--firma"), QStringLiteral("1"),
             QStringLiteral("--pnr"), QStringLiteral("1001")},
            {QStringLiteral("check")},
            {QStringLiteral("log")},
            {QStringLiteral("backup"), QStringLiteral("--to")},
            {QStringLiteral("restore"), QStringLiteral("--from"), goodBackup_},
        };
        // What may succeed where: making a database where there is none or an
        // empty file, restoring over a damaged one, and reading what is readable.
        const QHash<QString, QStringList> working = {
            {QStringLiteral("missing"),
             {QStringLiteral("create"), QStringLiteral("seed"), QStringLiteral("restore")}},
            {QStringLiteral("empty"),
             {QStringLiteral("create"), QStringLiteral("seed"), QStringLiteral("restore")}},
            {QStringLiteral("truncated"), {QStringLiteral("restore")}},
            {QStringLiteral("damaged"), {QStringLiteral("restore")}},
            {QStringLiteral("folder"), {}},
            {QStringLiteral("write-protected file"),
             {QStringLiteral("create"), QStringLiteral("unassigned"), QStringLiteral("bookings"),
              QStringLiteral("log"), QStringLiteral("check"), QStringLiteral("backup")}},
            {QStringLiteral("write-protected folder"),
             {QStringLiteral("create"), QStringLiteral("unassigned"), QStringLiteral("bookings"),
              QStringLiteral("log"), QStringLiteral("check"), QStringLiteral("backup")}},
            {QStringLiteral("full disk"),
             {QStringLiteral("create"), QStringLiteral("seed"), QStringLiteral("book"),
              QStringLiteral("unassigned"), QStringLiteral("bookings"), QStringLiteral("log"),
              QStringLiteral("check"), QStringLiteral("backup"), QStringLiteral("restore")}},
        };
        int number = 0;
        for (auto state = working.cbegin(); state != working.cend(); ++state)
            for (QStringList command : commands) {
                if (command.last() == QLatin1String("--to"))
                    command << backupTo.arg(++number);
                QTest::addRow("%s: %s", qPrintable(state.key()), qPrintable(command.first()))
                    << state.key() << command << state.value().contains(command.first());
            }
    }

    void everyCommandOnEveryBadFile()
    {
        QFETCH(QString, state);
        QFETCH(QStringList, command);
        QFETCH(bool, mayWork);
        if (!lay(state))
            QSKIP("this machine does not let the test mount or write-protect");
        const QString before = snapshot();
        const Outcome outcome = admin(command);
        for (const char *warning : {"QSql", "QPSQL", "still in use", "transaction in progress"})
            QVERIFY2(!outcome.err.contains(QLatin1String(warning)), qPrintable(outcome.err));
        if (outcome.exitCode != 0) {
            QVERIFY2(outcome.exitCode > 0 && !outcome.err.trimmed().isEmpty() &&
                         !outcome.err.trimmed().contains(QLatin1Char('\n')),
                     qPrintable(outcome.err));
            QCOMPARE(snapshot(), before);
            return;
        }
        QVERIFY2(mayWork, qPrintable(QStringLiteral("reported done: ") + outcome.out));
        const QString name = command.first();
        if (name == QLatin1String("book"))
            QVERIFY2(bookingListed(outcome.out), qPrintable(outcome.out));
        else if (name == QLatin1String("seed") || name == QLatin1String("restore") ||
                 name == QLatin1String("create"))
            QCOMPARE(admin({QStringLiteral("check")}).exitCode, 0);
        else
            QCOMPARE(snapshot(), before);
    }

    void fullDiskNeverReportsABookingNotStored()
    {
        for (qint64 free = 0; free <= 96 * 1024; free += 8 * 1024) {
            init();
            if (!fillDisk(free))
                QSKIP("this machine does not let the test mount a small file system");
            const Outcome booked =
                admin({QStringLiteral("book"), QStringLiteral("--card"), QStringLiteral("4040")});
            if (booked.exitCode == 0)
                QVERIFY2(bookingListed(booked.out),
                         qPrintable(QStringLiteral("%1 bytes free: %2").arg(free).arg(booked.out)));
            else
                QVERIFY2(!booked.err.trimmed().isEmpty() &&
                             !booked.err.trimmed().contains(QLatin1Char('\n')),
                         qPrintable(booked.err));
            cleanup();
        }
    }

    void failedCommitIsNoBooking()
    {
        seed();
        const CommandLine line =
            parseCommandLine({QStringLiteral("karven-admin"), QStringLiteral("book"),
                              QStringLiteral("--card"), QStringLiteral("4040")});
        QString out;
        QString err;
        QTextStream outStream(&out);
        QTextStream errStream(&err);
        setWritesFail(true);
        const int exitCode = runAdminCommand(line.options, outStream, errStream);
        setWritesFail(false);
        errStream.flush();
        QVERIFY2(exitCode != 0, qPrintable(out));
        QVERIFY2(err.contains(QStringLiteral("nichts gespeichert")), qPrintable(err));
        QVERIFY(!admin({QStringLiteral("unassigned")}).out.contains(QStringLiteral("4040")));
    }

    void programFillsOnlyAFileItCreated_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("foreign") << QByteArray("id;name\n1;Kasse\n");
    }

    void programFillsOnlyAFileItCreated()
    {
        QFETCH(QByteArray, content);
        QFile database(file());
        QVERIFY(database.open(QIODevice::WriteOnly));
        database.write(content);
        database.close();
        SqlFactory factory(EngineKind::Sqlite);
        QVERIFY(!factory.connect(QStringLiteral("cn_iptcp:localhost[1972]:KARVEN")));
        QVERIFY2(factory.lastConnectError().contains(file()),
                 qPrintable(factory.lastConnectError()));
        QCOMPARE(notices_.size(), 1);
        QCOMPARE(notices_[0].parameter, factory.lastConnectError());
        QVERIFY(database.open(QIODevice::ReadOnly));
        QCOMPARE(database.readAll(), content);

        QVERIFY(database.remove());
        QVERIFY(factory.connect(QStringLiteral("cn_iptcp:localhost[1972]:KARVEN")));
    }

    void damageIsReportedAtStartWhileReadableDataServes()
    {
        seed();
        damageUsersTable();
        SqlFactory factory(EngineKind::Sqlite);
        QVERIFY(factory.connect(QStringLiteral("cn_iptcp:localhost[1972]:KARVEN")));
        QCOMPARE(notices_.size(), 1);
        QVERIFY(notices_[0].text.contains(QStringLiteral("beschädigt")));
        std::unique_ptr<ResultSet> employees =
            factory.openResultSet(QStringLiteral("KV.PersBasis"), QStringLiteral("ListeAktiv"));
        employees->execute({QStringLiteral("1")});
        QVERIFY(employees->next());
        QVERIFY(factory.connect(QStringLiteral("cn_iptcp:localhost[1972]:KARVEN")));
        QCOMPARE(notices_.size(), 1);
        const Outcome checked = admin({QStringLiteral("check")});
        QCOMPARE(checked.exitCode, 1);
        QVERIFY(checked.out.contains(QStringLiteral("BESCHÄDIGT")));
    }

    void writeProtectedFileLeavesNothingThatLocksOutWriters()
    {
        seed();
        if (!protectFile())
            QSKIP("this machine does not let the test write-protect a file");
        QCOMPARE(admin({QStringLiteral("unassigned")}).exitCode, 0);
        const Outcome refused =
            admin({QStringLiteral("book"), QStringLiteral("--card"), QStringLiteral("4040")});
        QCOMPARE(refused.exitCode, 1);
        QVERIFY2(refused.err.contains(QStringLiteral("schreibgeschützt")), qPrintable(refused.err));
        cleanup();
        QCOMPARE(QDir(dataDir_).entryList(QDir::Files),
                 QStringList{QStringLiteral("karven.sqlite")});
        QCOMPARE(admin({QStringLiteral("book"), QStringLiteral("--card"), QStringLiteral("4040")})
                     .exitCode,
                 0);
    }
};

QTEST_GUILESS_MAIN(TestStorageFaults)
#include "test_storagefaults.moc"
