#include "tests/app/mainwindowfixture.h"

#include "app/fmstart.h"
#include "app/fmzuordnungen.h"
#include "app/programwindows.h"
#include "cacheapi/cacheapi.h"
#include "controls/ctcombo.h"
#include "controls/ctlist.h"
#include "engine/cardassignment.h"
#include "engine/session.h"
#include "history/frmprogrammverlauf.h"
#include "login/user_anmeld.h"
#include "servers/fmserver.h"
#include "tools/demodata.h"

#include <QAbstractItemView>
#include <QLineEdit>
#include <QTest>

MainWindowFixture::MainWindowFixture() = default;

MainWindowFixture::~MainWindowFixture() = default;

void MainWindowFixture::setUpWindows()
{
    db_.withSession(seedDemoData);
    db_.forgetFailedLogins();
    db_.exec(QStringLiteral("DELETE FROM stempelung WHERE pnr IS NULL"));
    fakes_ = std::make_unique<FakeWindows>();
    // The program's own windows; only messages and the program end are scripted.
    program_ = std::make_unique<ProgramWindows>(fakes_->ui);
    window_ = &program_->mainWindow;
    script_ = ConnectionScript();
    registerFlakyFactory(script_);
    resetLoginCommandLine();
    fakes_->ui.arguments = db_.commandLine(DemoLogin::userCode, DemoLogin::password);
}

void MainWindowFixture::tearDownWindows()
{
    Trennen();
    program_.reset();
    fakes_.reset();
    frmProgrammverlauf::unload();
}

void MainWindowFixture::start()
{
    window_->Form_Load();
    window_->show();
    QVERIFY(QTest::qWaitForWindowExposed(window_));
}

QStringList MainWindowFixture::listedRows() const
{
    QStringList rows;
    for (int row = 0; row < window_->litime->rowCount(); ++row)
        rows << window_->litime->rowText(row);
    return rows;
}

void MainWindowFixture::waitForListing(int rows)
{
    QTRY_COMPARE_WITH_TIMEOUT(window_->litime->rowCount(), rows, 3000);
}

void MainWindowFixture::clickBooking(int row)
{
    QAbstractItemView *view = window_->litime->itemView();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                      view->visualRect(view->model()->index(row, 0)).center());
}

void MainWindowFixture::chooseEmployee(const QString &typed)
{
    window_->lipnr->lineEdit()->clear();
    QTest::keyClicks(window_->lipnr->lineEdit(), typed);
    QTest::keyClick(window_->lipnr->lineEdit(), Qt::Key_Return);
    QVERIFY2(window_->lipnr->selectedIndex() >= 0, qPrintable(typed));
}

void MainWindowFixture::otherWorkstationAssigns(const QString &card, const QString &employee)
{
    db_.withSession([&](Session &session) {
        session.variables().insert(QStringLiteral("PERSONAL"), QStringLiteral("SCH"));
        assignCard(session, QStringLiteral("1"), employee, card, std::nullopt);
    });
}

void MainWindowFixture::clickServerEntry(int row)
{
    QAbstractItemView *view = program_->serverList.window().ctList->itemView();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                      view->visualRect(view->model()->index(row, 0)).center());
}

void MainWindowFixture::storeStandardServerInSettings()
{
    SettingsStore::write(LoginSetting::ServerObjekt, QStringLiteral("0"));
    SettingsStore::write(LoginSetting::Server, db_.target().host);
    SettingsStore::write(LoginSetting::Port, QString::number(db_.target().port));
    SettingsStore::write(LoginSetting::Namespace, db_.target().nameSpace);
}

void MainWindowFixture::startWithAllWindowsOpen()
{
    db_.swipe(QStringLiteral("111"), QStringLiteral("202401310705"));
    storeStandardServerInSettings();
    start();
    waitForListing(1);
    program_->serverList.window().show();
    window_->mLogin->trigger();
    window_->mProgrammverlauf->trigger();
    window_->HilfeUeber->trigger();
}

QString MainWindowFixture::cardOwner(const QString &card)
{
    return db_
        .column(QStringLiteral("SELECT pnr FROM karte WHERE firma = '1' AND karte = ?"), {card})
        .value(0)
        .toString();
}

FMZuordnungen &MainWindowFixture::openAssignments()
{
    window_->mZuordnungen->trigger();
    const QList<FMZuordnungen *> windows = window_->findChildren<FMZuordnungen *>();
    [&] { QCOMPARE(windows.size(), 1); }();
    return *windows.first();
}

void MainWindowFixture::chooseRightEmployee(FMZuordnungen &assignments, const QString &typed)
{
    assignments.lipnr->lineEdit()->clear();
    QTest::keyClicks(assignments.lipnr->lineEdit(), typed);
    QTest::keyClick(assignments.lipnr->lineEdit(), Qt::Key_Return);
}
