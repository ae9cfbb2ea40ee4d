// The main window while something waits: choosing a row never waits for the
// server, and what comes by itself (a timer's tick, a server's notice) starts
// no access while another one is open or waits for its connection.

#include "app/bookingdetails.h"
#include "app/fmstart.h"
#include "app/fmzuordnungen.h"
#include "app/programwindows.h"
#include "cacheapi/cacheapi.h"
#include "controls/ctcombo.h"
#include "controls/ctlist.h"
#include "engine/session.h"
#include "engine/timeclock.h"
#include "tests/app/mainwindowfixture.h"

#include <QAbstractItemView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <limits>

namespace {

// The attempt numbers the wait notices counted, in order.
QStringList countedAttempts(const QStringList &waitNotices)
{
    static const QRegularExpression attempt(QStringLiteral("Versuch (\\d) von 6"));
    QStringList numbers;
    for (const QString &notice : waitNotices)
        numbers << attempt.match(notice).captured(1);
    return numbers;
}

// A notice of a booking newer than any listed.
const NewBookingsNotice anyNewBooking{1, std::numeric_limits<qint64>::max()};

} // namespace

class TestMainWindowWaits : public QObject, private MainWindowFixture
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { KARVEN_SET_UP_ENGINE_OR_SKIP(db_, QStringLiteral("WARTEN")); }

    void cleanupTestCase() { db_.tearDown(); }

    void init() { setUpWindows(); }

    void cleanup() { tearDownWindows(); }

    void choosingARowNeverWaitsForTheServer()
    {
        db_.withSession([](Session &session) {
            bookCard(session, QStringLiteral("1"), QStringLiteral("FIL01T1"), QStringLiteral("K"),
                     QStringLiteral("815"), QStringLiteral("202612080741"), QStringLiteral("01"));
        });
        start();
        waitForListing(1);
        // Idle and the server away: choosing the row shows it from what the refresh read.
        Trennen();
        script_.failuresLeft = 1;
        const int attempts = script_.attempts;
        clickBooking(0);
        QVERIFY(window_->Details->isVisible());
        QCOMPARE(window_->Details->filiale->text(), QStringLiteral("01 – Filiale Nord (Lübeck)"));
        QCOMPARE(script_.attempts, attempts);
        QVERIFY(fakes_->ui.waitNotices.isEmpty());
        QVERIFY(fakes_->ui.messages.isEmpty());
    }

    void ticksAndNoticesWaitWhileAnAccessWaits_data()
    {
        QTest::addColumn<QString>("handler");
        QTest::addColumn<bool>(
            "listed"); // bookings listed: the look for new ones ticks, else polling
        QTest::newRow("Zuordnungen, polling") << QStringLiteral("Zuordnungen") << false;
        QTest::newRow("Serverliste, polling") << QStringLiteral("Serverliste") << false;
        QTest::newRow("Speichern, listed") << QStringLiteral("Speichern") << true;
        QTest::newRow("Serverliste, listed") << QStringLiteral("Serverliste") << true;
    }

    void ticksAndNoticesWaitWhileAnAccessWaits()
    {
        QFETCH(QString, handler);
        QFETCH(bool, listed);
        if (listed) {
            db_.swipe(QStringLiteral("111"), QStringLiteral("202401310705"));
            db_.swipe(QStringLiteral("222"), QStringLiteral("202401310710"));
        }
        start();
        waitForListing(listed ? 2 : 0);
        QTRY_VERIFY(listed ? window_->TimerNeu.isActive() : window_->Timer1.isActive());
        if (handler == QLatin1String("Speichern")) {
            clickBooking(0);
            chooseEmployee(QStringLiteral("dorn"));
        }
        // Idle, and the server away twice: the handler waits two pauses, in
        // which both timers would tick many times, and the server tells of a booking.
        Trennen();
        const int attemptsBefore = script_.attempts;
        script_.failuresLeft = 2;
        QVERIFY(script_.newBookingsListener);
        QTimer::singleShot(0, [&] { script_.newBookingsListener(anyNewBooking); });
        if (handler == QLatin1String("Zuordnungen"))
            window_->mZuordnungen->trigger();
        else if (handler == QLatin1String("Serverliste"))
            clickServerEntry(0);
        else
            window_->BUSpeich->click();
        // One series of attempts, counted once.
        QCOMPARE(countedAttempts(fakes_->ui.waitNotices), (QStringList{"1", "2"}));
        QCOMPARE(script_.attempts - attemptsBefore, 3);
        QVERIFY(fakes_->ui.messages.isEmpty());

        // The ticks come again: a new booking is listed, or told of.
        db_.swipe(QStringLiteral("333"), QStringLiteral("202401310715"));
        if (listed)
            QTRY_VERIFY_WITH_TIMEOUT(window_->lblNeu->isVisible(), 3000);
        else
            waitForListing(1);
    }

    void aNoticeInTheRefreshsOwnEventsStartsNoSecondRefresh()
    {
        start();
        QTRY_VERIFY(window_->Timer1.isActive());
        script_.queriesOpened.clear();
        // The notice is handled in the event processing the refresh does first.
        script_.newBookingsListener(anyNewBooking);
        window_->BUAkt->click();
        QCOMPARE(script_.queriesOpened.count(QStringLiteral("Quastel.NoPers Liste")), 1);
        QVERIFY(window_->BUAkt->isEnabled());
        QVERIFY(window_->Timer1.isActive());
    }

    void aCorrectionClosesTheObjectItMakes_data()
    {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("owner"); // of the card afterwards
        QTest::newRow("corrected")
            << QStringLiteral("ADM") << QStringLiteral("karven") << QStringLiteral("1004");
        QTest::newRow("refused") << QStringLiteral("SCH") << QStringLiteral("kaethe")
                                 << QStringLiteral("1002");
    }

    void aCorrectionClosesTheObjectItMakes()
    {
        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(QString, owner);
        otherWorkstationAssigns(QStringLiteral("6060"));
        fakes_->ui.arguments = db_.commandLine(user, password);
        start();
        FMZuordnungen &assignments = openAssignments();
        QAbstractItemView *view = assignments.liZuordnungen->itemView();
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                          view->visualRect(view->model()->index(0, 0)).center());
        assignments.lipnr->setEnabled(true); // had the button been usable
        chooseRightEmployee(assignments, QStringLiteral("1004"));
        fakes_->ui.questionAnswers = {true};
        script_.objectsOpened.clear();
        script_.objectsClosed = 0;
        assignments.BUKorrigieren_Click();
        QCOMPARE(script_.objectsOpened, QStringList{QStringLiteral("Quastel.Kartenzuordnung")});
        QCOMPARE(script_.objectsClosed, 1);
        QCOMPARE(cardOwner(QStringLiteral("      6060")), owner);
        QCOMPARE(fakes_->ui.messages.size(), owner == QLatin1String("1004") ? 0 : 1);
        QCOMPARE(Verbindung.ZugriffZaehler, 0);
    }

    void everyEntryOfTheFileMenuHasAnAccessKeyOfItsOwn()
    {
        const QMenu *datei = window_->menuBar()->actions().value(0)->menu();
        QVERIFY(datei);
        QSet<QKeySequence> keys;
        for (const QAction *entry : datei->actions()) {
            if (entry->isSeparator())
                continue;
            const QKeySequence key = QKeySequence::mnemonic(entry->text());
            QVERIFY2(!key.isEmpty() && !keys.contains(key), qPrintable(entry->text()));
            keys.insert(key);
        }
        QCOMPARE(keys.size(), 3);
    }
};

QTEST_MAIN(TestMainWindowWaits)
#include "test_mainwindowwaits.moc"
