// The real end of the program, in child processes of this test: asked for
// from inside a modal dialog and a wait, as a failing connection would; and
// the whole program ended from outside, by signal, by the desktop session and
// by losing its display.

#include "app/programrun.h"
#include "app/qtuserinterface.h"
#include "cacheapi/cacheapi.h"
#include "cacheapi/objects/factoryregistry.h"
#include "engine/sqlfactory.h"
#include "tests/support/enginefixture.h"
#include "tests/support/fakeports.h"
#include "tools/demodata.h"

#include <QApplication>
#include <QDialog>
#include <QMainWindow>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <csignal>
#include <cstdio>

namespace {

const char childArgument[] = "--end-from-nested-wait";
// Set in a child's environment: run the whole program; "quit" also ends the
// session once the program runs, as the session manager does.
const char programChild[] = "KARVEN_TEST_PROGRAM_CHILD";

void report(const char *line)
{
    std::fputs(line, stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

// The engine's factory, telling the test when its connection opens and closes.
class ReportingFactory : public Factory
{
public:
    bool connect(const QString &connectionString) override
    {
        const bool connected = inner_->connect(connectionString);
        if (connected)
            report("connected");
        return connected;
    }
    bool isConnected() override { return inner_->isConnected(); }
    void disconnect() override
    {
        if (inner_->isConnected())
            report("disconnected");
        inner_->disconnect();
    }
    LoginAnswer logIn(const LoginRequest &request) override { return inner_->logIn(request); }
    std::unique_ptr<ServerObject> openId(const QString &className, const QString &id) override
    {
        return inner_->openId(className, id);
    }
    std::unique_ptr<ServerObject> newObject(const QString &className) override
    {
        return inner_->newObject(className);
    }
    std::unique_ptr<ResultSet> openResultSet(const QString &className,
                                             const QString &queryName) override
    {
        return inner_->openResultSet(className, queryName);
    }

private:
    std::unique_ptr<Factory> inner_ = createEngineFactory();
};

// The program as main runs it; says "running" once its main window is shown.
int runProgramChild(int argc, char *argv[])
{
    QApplication application(argc, argv);
    registerFactory([] { return std::make_unique<ReportingFactory>(); });
    const bool endSession = qgetenv(programChild) == "quit";
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        for (QWidget *window : QApplication::topLevelWidgets()) {
            if (qobject_cast<QMainWindow *>(window) && window->isVisible()) {
                watch.stop();
                report("running");
                if (endSession) {
                    // What the session manager's "die" does in Qt.
                    QEvent quit(QEvent::Quit);
                    QCoreApplication::sendEvent(qApp, &quit);
                }
            }
        }
    });
    watch.start(10);
    return runProgram();
}

int runChild(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QtUserInterface userInterface;
    FakeServerList serverList;
    FakeLoginDialog loginDialog;
    ports() = Ports{&userInterface, &serverList, &loginDialog, nullptr};
    QWidget mainWindow;
    mainWindow.show();
    SettingsStore::write(LoginSetting::Name, QStringLiteral("written before the end"));
    QDialog modal(&mainWindow);
    QTimer::singleShot(0, &modal, [] {
        QTimer::singleShot(0, [] { ProgrammBeenden(); });
        Warten(100000); // a wait that only the program end can cut short
    });
    modal.exec();
    return 3; // the end did not end the program
}

} // namespace

class TestProgramEnd : public QObject
{
    Q_OBJECT

private:
    EngineFixture db_;

    // Starts the whole program logged in through its command line.
    void startProgram(QProcess &program, const QString &mode, const QStringList &environment = {})
    {
        QProcessEnvironment variables = QProcessEnvironment::systemEnvironment();
        variables.insert(QString::fromLatin1(programChild), mode);
        for (const QString &variable : environment)
            variables.insert(variable.section(QLatin1Char('='), 0, 0),
                             variable.section(QLatin1Char('='), 1));
        program.setProcessEnvironment(variables);
        program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        program.start(
            QCoreApplication::applicationFilePath(),
            db_.commandLine(DemoLogin::userCode, DemoLogin::password).split(QLatin1Char(' ')));
        QVERIFY(program.waitForStarted());
    }

    // What the program said so far, line by line.
    QByteArray said_;

    void waitForLine(QProcess &program, const QByteArray &line)
    {
        said_.clear();
        while (!said_.split('\n').contains(line)) {
            QVERIFY2(program.state() == QProcess::Running || program.bytesAvailable() > 0,
                     said_.constData());
            program.waitForReadyRead(200);
            said_ += program.readAll();
        }
    }

    // The program ended by itself, after disconnecting.
    void expectOrderlyEnd(QProcess &program, int exitCode)
    {
        QVERIFY(program.waitForFinished(20000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), exitCode);
        said_ += program.readAll();
        QVERIFY2(said_.split('\n').contains("disconnected"), said_.constData());
    }

private Q_SLOTS:
    void initTestCase()
    {
        KARVEN_SET_UP_ENGINE_OR_SKIP(db_, QStringLiteral("KARVEN"));
        db_.withSession(seedDemoData);
    }

    void cleanupTestCase() { db_.tearDown(); }

    void signalsEndInOrder_data()
    {
        QTest::addColumn<int>("signalNumber");
        QTest::newRow("SIGTERM") << SIGTERM;
        QTest::newRow("SIGINT") << SIGINT;
        QTest::newRow("SIGHUP") << SIGHUP;
    }

    void signalsEndInOrder()
    {
        QFETCH(int, signalNumber);
        QProcess program;
        startProgram(program, QStringLiteral("signal"));
        waitForLine(program, "running");
        ::kill(program.processId(), signalNumber);
        expectOrderlyEnd(program, 0);
    }

    void endOfTheSessionEndsInOrder()
    {
        QProcess program;
        startProgram(program, QStringLiteral("quit"));
        waitForLine(program, "running");
        expectOrderlyEnd(program, 0);
    }

    void lostDisplayClosesTheConnectionWithoutACrash()
    {
        QProcess display;
        const QString number =
            QStringLiteral(":%1").arg(90 + QCoreApplication::applicationPid() % 100);
        display.start(QStringLiteral("Xvfb"),
                      {number, QStringLiteral("-nolisten"), QStringLiteral("tcp")});
        if (!display.waitForStarted())
            QSKIP("Xvfb is not installed");
        QTest::qWait(500);
        QProcess program;
        startProgram(program, QStringLiteral("display"),
                     {QStringLiteral("QT_QPA_PLATFORM=xcb"), QStringLiteral("DISPLAY=") + number});
        waitForLine(program, "running");
        display.kill();
        display.waitForFinished();
        // Qt's window system plugin ends the program with exit code 1 then.
        expectOrderlyEnd(program, 1);
    }

    void endsFromNestedModalWindowsAndWaits()
    {
        QTemporaryDir home;
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.path());
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        child.setProcessEnvironment(environment);
        child.start(QCoreApplication::applicationFilePath(), {QString::fromLatin1(childArgument)});
        QVERIFY(child.waitForFinished(20000));
        QCOMPARE(child.exitStatus(), QProcess::NormalExit);
        QCOMPARE(child.exitCode(), 0);
        QSettings written(home.path() +
                              QStringLiteral("/VB and VBA Program Settings/Cache Login.conf"),
                          QSettings::IniFormat);
        QCOMPARE(written.value(QStringLiteral("Login/Name")).toString(),
                 QStringLiteral("written before the end"));
    }
};

int main(int argc, char *argv[])
{
    if (argc > 1 && qstrcmp(argv[1], childArgument) == 0)
        return runChild(argc, argv);
    if (qEnvironmentVariableIsSet(programChild))
        return runProgramChild(argc, argv);
    QApplication application(argc, argv);
    TestProgramEnd test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_programend.moc"
