// Takes the pictures of the program's windows for the README and the user
// guide: the real windows on a demo database, logged in as the demo user.
//   karven-screenshots OUTPUT_FOLDER   (run under a display, e.g. xvfb-run)

#include "about/frmabout.h"
#include "app/fmzuordnungen.h"
#include "app/germantranslations.h"
#include "app/programwindows.h"
#include "app/qtuserinterface.h"
#include "cacheapi/cacheapi.h"
#include "cacheapi/timing.h"
#include "controls/ctcombo.h"
#include "controls/ctlist.h"
#include "engine/cardassignment.h"
#include "engine/session.h"
#include "engine/sqlfactory.h"
#include "engine/timeclock.h"
#include "history/frmprogrammverlauf.h"
#include "servers/fmserver.h"
#include "settings/connectiondefaults.h"
#include "tools/demodata.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <cstdio>

namespace {

// Logs in as the demo user and records messages instead of waiting for a click.
class DemoUserInterface : public QtUserInterface
{
public:
    void message(const QString &, Icon, const QString &) override {}
    QString commandLine() override
    {
        return QStringList{DemoLogin::company, DemoLogin::branch, DemoLogin::userCode, DemoLogin::password}
            .join(QLatin1Char(' '));
    }
};

bool save(QWidget &window, const QString &folder, const QString &name)
{
    window.show();
    window.raise();
    QTest::qWait(300);
    const QString file = folder + QLatin1Char('/') + name + QStringLiteral(".png");
    const bool saved = window.grab().save(file);
    std::printf("%s %s\n", saved ? "saved" : "FAILED", qPrintable(file));
    return saved;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "Aufruf: karven-screenshots AUSGABEORDNER\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(folder);
    installGermanTranslations(application);

    registerFactory(createEngineFactory);
    // The look for new bookings comes after 100 ms instead of 10 s.
    Timing::setScale(0.01);
    DemoUserInterface userInterface;
    ProgramWindows windows(userInterface);
    FMStart &mainWindow = windows.mainWindow;
    mainWindow.Form_Load();
    mainWindow.show();
    QTest::qWait(500); // the first refresh lists the bookings

    // A booking chosen, as the user sees the window before picking the employee.
    QAbstractItemView *bookings = mainWindow.litime->itemView();
    QTest::mouseClick(bookings->viewport(), Qt::LeftButton, {},
                      bookings->visualRect(bookings->model()->index(0, 0)).center());

    // A time clock books a swipe meanwhile: the status bar tells of it.
    Session elsewhere(*engineKindFromName(configuredEngineName()),
                      {QLatin1String(ConnectionDefaults::server), ConnectionDefaults::port,
                       QLatin1String(ConnectionDefaults::nameSpace)});
    if (elsewhere.open())
        bookCard(elsewhere, DemoLogin::company, QStringLiteral("FIL02T1"), QStringLiteral("K"),
                 QStringLiteral("5150"), QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMddHHmm")),
                 QStringLiteral("2"));
    QTest::qWait(400);
    bool ok = save(mainWindow, folder, QStringLiteral("hauptfenster"));
    QTest::keyClicks(mainWindow.lipnr->lineEdit(), QStringLiteral("dorn"));
    QTest::keyClick(mainWindow.lipnr->lineEdit(), Qt::Key_Return);

    // Another workstation gives the chosen booking's card to somebody else
    // meanwhile: "Speichern" asks before the card changes hands.
    if (elsewhere.isOpen()) {
        elsewhere.variables().insert(QStringLiteral("PERSONAL"), QStringLiteral("SCH"));
        assignCard(elsewhere, DemoLogin::company, QStringLiteral("1002"), mainWindow.litime->cellText(0, 3),
                   std::nullopt);
        elsewhere.close();
    }
    QTimer::singleShot(500, [&] {
        if (QWidget *question = QApplication::activeModalWidget()) {
            ok = save(*question, folder, QStringLiteral("karte-vergeben")) && ok;
            question->close(); // "Nein"
        }
    });
    mainWindow.BUSpeich->click();

    // The assignment log, an entry chosen for correcting.
    mainWindow.mZuordnungen->trigger();
    if (auto *assignments = mainWindow.findChild<FMZuordnungen *>()) {
        QAbstractItemView *log = assignments->liZuordnungen->itemView();
        QTest::mouseClick(log->viewport(), Qt::LeftButton, {},
                          log->visualRect(log->model()->index(0, 0)).center());
        QTest::keyClicks(assignments->lipnr->lineEdit(), QStringLiteral("dorn"));
        QTest::keyClick(assignments->lipnr->lineEdit(), Qt::Key_Return);
        ok = save(*assignments, folder, QStringLiteral("zuordnungen")) && ok;
        assignments->hide();
    }

    FMServer &servers = windows.serverList.window();
    servers.show();
    QAbstractItemView *entries = servers.ctList->itemView();
    QTest::mouseClick(entries->viewport(), Qt::LeftButton, {},
                      entries->visualRect(entries->model()->index(0, 0)).center());
    ok = save(servers, folder, QStringLiteral("serverliste")) && ok;
    servers.hide();

    ok = save(windows.loginDialog, folder, QStringLiteral("anmeldung")) && ok;
    windows.loginDialog.hide();

    bool failed = false;
    dbcall(QStringLiteral("D ^UNBEKANNT"), failed); // a refused command, for a history line
    frmProgrammverlauf::instance().showFrom(&mainWindow);
    ok = save(frmProgrammverlauf::instance(), folder, QStringLiteral("programmverlauf")) && ok;

    ok = save(*frmAbout::showAbout(), folder, QStringLiteral("info")) && ok;
    Trennen();
    return ok ? 0 : 1;
}
