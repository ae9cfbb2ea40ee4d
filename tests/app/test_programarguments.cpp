// The program's own options --help and --version: taken out of the arguments
// wherever they stand, answered without a display, everything else handed on.

#include "app/programarguments.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QTest>

class TestProgramArguments : public QObject
{
    Q_OBJECT

private:
    struct Run
    {
        int exitCode = -1;
        QString out;
        QString err;
    };

    // Runs the program as a user would in a terminal with no window system.
    static Run runWithoutDisplay(const QStringList &arguments)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            environment.remove(QString::fromLatin1(name));
        QProcess process;
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(KARVEN_EXECUTABLE), arguments);
        Run run;
        if (!process.waitForFinished(20000) || process.exitStatus() != QProcess::NormalExit) {
            process.kill();
            process.waitForFinished();
            return run;
        }
        run.exitCode = process.exitCode();
        run.out = QString::fromLocal8Bit(process.readAllStandardOutput());
        run.err = QString::fromLocal8Bit(process.readAllStandardError());
        return run;
    }

private Q_SLOTS:
    void optionsAreTakenOutAndTheRestHandedOn_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("help");
        QTest::addColumn<bool>("version");
        QTest::addColumn<QStringList>("words");

        const QStringList login = {QStringLiteral("1"),         QStringLiteral("0"),
                                   QStringLiteral("ADM"),       QStringLiteral("karven"),
                                   QStringLiteral("localhost"), QStringLiteral("1973"),
                                   QStringLiteral("KARVEN")};
        QTest::newRow("nothing") << QStringList() << false << false << QStringList();
        QTest::newRow("login words only") << login << false << false << login;
        QTest::newRow("help first")
            << QStringList{QStringLiteral("--help")} + login << true << false << login;
        QTest::newRow("version last")
            << login + QStringList{QStringLiteral("--version")} << false << true << login;
        QTest::newRow("both, repeated")
            << QStringList{QStringLiteral("--version"), QStringLiteral("1"),
                           QStringLiteral("--help"), QStringLiteral("--version")}
            << true << true << QStringList{QStringLiteral("1")};
        // Look-alikes are words of the command line like any other.
        QTest::newRow("-h first") << QStringList{QStringLiteral("-h"), QStringLiteral("1")} << true << false
                                  << QStringList{QStringLiteral("1")};
        // Further on "-h" may be a password.
        const QStringList lookAlikes = {QStringLiteral("--HELP"),   QStringLiteral("-h"),
                                        QStringLiteral("-version"), QStringLiteral("--version=1"),
                                        QStringLiteral("--"),       QStringLiteral("--helpme")};
        QTest::newRow("look-alikes") << lookAlikes << false << false << lookAlikes;
        const QStringList odd = {QString(), QStringLiteral("Kä se"), QStringLiteral(" 1 ")};
        QTest::newRow("empty, blanks, umlauts") << odd << false << false << odd;
    }

    void optionsAreTakenOutAndTheRestHandedOn()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, help);
        QFETCH(bool, version);
        QFETCH(QStringList, words);
        const ProgramArguments parsed = parseProgramArguments(arguments);
        QCOMPARE(parsed.help, help);
        QCOMPARE(parsed.version, version);
        QCOMPARE(parsed.words, words);
    }

    void versionIsAnsweredWithoutDisplay()
    {
        const Run run = runWithoutDisplay({QStringLiteral("1"), QStringLiteral("--version")});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out, QStringLiteral("karven %1\n").arg(QStringLiteral(KARVEN_VERSION)));
        QCOMPARE(run.err, QString());
    }

    void helpIsAnsweredWithoutDisplay()
    {
        QCOMPARE(runWithoutDisplay({QStringLiteral("-h")}).out, programHelpText());
        const Run run = runWithoutDisplay({QStringLiteral("--help")});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out, programHelpText());
        for (const char *mentioned : {"FIRMA FILIALE CODE PASSWORT SERVER PORT NAMESPACE",
                                      "KARVEN_ENGINE", "KARVEN_DATA_DIR", "--version"})
            QVERIFY2(run.out.contains(QLatin1String(mentioned)), mentioned);
    }

    void helpWinsOverVersion()
    {
        const Run run = runWithoutDisplay({QStringLiteral("--version"), QStringLiteral("--help")});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out, programHelpText());
    }
};

QTEST_GUILESS_MAIN(TestProgramArguments)
#include "test_programarguments.moc"
