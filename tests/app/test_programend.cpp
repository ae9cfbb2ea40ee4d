// The real end of the program: run in a child process of this test, which
// opens windows, writes a setting and asks for the end from inside a modal
// dialog and a wait, as a failing connection would.

#include "cacheapi.h"
#include "fakeports.h"
#include "qtuserinterface.h"

#include <QApplication>
#include <QDialog>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

const char childArgument[] = "--end-from-nested-wait";

int runChild(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QtUserInterface userInterface;
    FakeServerList serverList;
    FakeLoginDialog loginDialog;
    ports() = Ports{&userInterface, &serverList, &loginDialog, nullptr};
    QWidget mainWindow;
    mainWindow.show();
    SettingsStore::write(QStringLiteral("Name"), QStringLiteral("written before the end"));
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

private Q_SLOTS:
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
        QSettings written(home.path() + QStringLiteral("/VB and VBA Program Settings/Cache Login.conf"),
                          QSettings::IniFormat);
        QCOMPARE(written.value(QStringLiteral("Login/Name")).toString(), QStringLiteral("written before the end"));
    }
};

int main(int argc, char *argv[])
{
    if (argc > 1 && qstrcmp(argv[1], childArgument) == 0)
        return runChild(argc, argv);
    QApplication application(argc, argv);
    TestProgramEnd test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_programend.moc"
