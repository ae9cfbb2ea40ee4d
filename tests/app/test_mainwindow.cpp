// The program end to end, as a user works with it.

#include "app/bookingdetails.h"
#include "app/fmstart.h"
#include "app/fmzuordnungen.h"
#include "app/programwindows.h"
#include "cacheapi/cacheapi.h"
#include "cacheapi/objects/factoryregistry.h"
#include "cacheapi/timing.h"
#include "controls/ctcombo.h"
#include "controls/ctlist.h"
#include "engine/cardassignment.h"
#include "engine/session.h"
#include "engine/timeclock.h"
#include "guard/runtimeguard.h"
#include "history/frmprogrammverlauf.h"
#include "login/fmpass.h"
#include "login/user_anmeld.h"
#include "mainlogic/newbookingswatch.h"
#include "servers/fmserver.h"
#include "tests/app/mainwindowfixture.h"
#include "tests/support/closebox.h"
#include "tests/support/enginefixture.h"
#include "tests/support/fakeports.h"
#include "tests/support/flakyfactory.h"
#include "tools/demodata.h"

#include <QAbstractItemView>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlQuery>
#include <QStatusBar>
#include <QElapsedTimer>
#include <QTest>

class TestMainWindow : public QObject, private MainWindowFixture
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        KARVEN_SET_UP_ENGINE_OR_SKIP(db_, QStringLiteral("KARVEN"));
    }

    void cleanupTestCase() { db_.tearDown(); }

    void init() { setUpWindows(); }

    void cleanup() { tearDownWindows(); }

    void startupShowsUserAndTheCompanysActiveEmployees()
    {
        start();
        QVERIFY(window_->windowTitle().startsWith(
            QStringLiteral("KARVEN Quastelwerk              Firma: 1     Filiale: 0     Benutzer: ADM|")));
        const QVariantList active = db_.column(
            QStringLiteral("SELECT pnr FROM persbasis WHERE firma = '1' AND aktiv = 'J' ORDER BY pnr"));
        QCOMPARE(window_->lipnr->entryCount(), active.size());
        QStringList keys;
        for (int entry = 0; entry < window_->lipnr->entryCount(); ++entry)
            keys << window_->lipnr->keyText(entry);
        keys.sort();
        QStringList expected;
        for (const QVariant &number : active)
            expected << number.toString();
        QCOMPARE(keys, expected);
        QVERIFY(!window_->Frame1->isVisible());
        QVERIFY(fakes_->ui.messages.isEmpty());
    }

    void bookingsAreListedNewestFirstAndAssigned()
    {
        const QString a = db_.swipe(QStringLiteral("111"), QStringLiteral("202401310705"));
        const QString b = db_.swipe(QStringLiteral(" 12 34 567"), QStringLiteral("202402011230"));
        const QString c = db_.swipe(QStringLiteral("333"), QStringLiteral("202402021645"));
        start();
        waitForListing(3);
        QCOMPARE(listedRows(), (QStringList{"2024-02-02\n16:45\n       333\n", "2024-02-01\n12:30\n 12 34 567\n",
                                            "2024-01-31\n07:05\n       111\n"}));
        QCOMPARE(window_->litime->keyText(0), c);
        QVERIFY(!window_->Timer1.isActive());

        clickBooking(1);
        QVERIFY(window_->Frame1->isVisible());
        chooseEmployee(QStringLiteral("1002"));
        const QString employee = window_->lipnr->keyText(window_->lipnr->selectedIndex());
        window_->BUSpeich->click();

        QCOMPARE(cardOwner(QStringLiteral(" 12 34 567")), employee);
        QCOMPARE(db_.column(QStringLiteral("SELECT pnr FROM stempelung WHERE id = ? AND pnr IS NOT NULL"), {b.toLongLong()}),
                 QVariantList{employee});
        QCOMPARE(db_.column(QStringLiteral("SELECT count(*) FROM stempelung WHERE id = ? AND pnr IS NULL AND erledigt_am IS NULL"), {b.toLongLong()}).value(0).toInt(), 0);
        QCOMPARE(listedRows().size(), 2);
        QCOMPARE(window_->litime->keyText(0), c);
        QCOMPARE(window_->litime->keyText(1), a);
        // Rows remain: the frame and the employee stay, polling stays off.
        QVERIFY(window_->Frame1->isVisible());
        QVERIFY(window_->lipnr->selectedIndex() >= 0);
        QVERIFY(!window_->Timer1.isActive());
        QVERIFY(fakes_->ui.messages.isEmpty());
    }

    void theChosenBookingIsShownWithTheCardsOtherBookings()
    {
        db_.withSession([](Session &session) {
            bookCard(session, QStringLiteral("1"), QStringLiteral("FIL01T1"), QStringLiteral("K"), QStringLiteral("815"),
                     QStringLiteral("202612080741"), QStringLiteral("01"));
            bookCard(session, QStringLiteral("1"), QStringLiteral("FIL02T1"), QStringLiteral("G"), QStringLiteral("815"),
                     QStringLiteral("202612081630"), QStringLiteral("7"));
        });
        db_.swipe(QStringLiteral("999"), QStringLiteral("202612081700"));
        start();
        waitForListing(3);
        BookingDetails &details = *window_->Details;
        QVERIFY(!details.isVisible());
        clickBooking(2);
        QVERIFY(details.isVisible());
        QCOMPARE(details.zeitpunkt->text(), QStringLiteral("08.12.2026 07:41"));
        QCOMPARE(details.art->text(), QStringLiteral("Kommen"));
        QCOMPARE(details.terminal->text(), QStringLiteral("FIL01T1"));
        QCOMPARE(details.filiale->text(), QStringLiteral("01 – Filiale Nord (Lübeck)")); // from the server list, as itself
        QCOMPARE(details.offene->text(),
                 QStringLiteral("815, 2 offene Buchungen: 08.12.2026 07:41, 08.12.2026 16:30"));
        // By keyboard as well; a branch the server list does not know is shown by its number.
        QTest::keyClick(window_->litime->itemView(), Qt::Key_Up);
        QCOMPARE(details.filiale->text(), QStringLiteral("7"));
        QCOMPARE(details.art->text(), QStringLiteral("Gehen"));

        chooseEmployee(QStringLiteral("dorn"));
        window_->BUSpeich->click();
        QCOMPARE(window_->litime->rowCount(), 1);
        QCOMPARE(details.zeitpunkt->text(), QStringLiteral("–")); // the chosen row is gone
        clickBooking(0);
        QCOMPARE(details.offene->text(), QStringLiteral("999, 1 offene Buchung: 08.12.2026 17:00"));
        window_->BUSpeich->click();
        QVERIFY(!details.isVisible());
    }

    void newBookingsAreAHintNotRowsUntilRefreshed()
    {
        db_.swipe(QStringLiteral("111"), QStringLiteral("202401310705"));
        db_.swipe(QStringLiteral("222"), QStringLiteral("202401310710"));
        start();
        waitForListing(2);
        QCOMPARE(window_->lblOffen->text(), QStringLiteral("2 offene Buchungen"));
        clickBooking(1);
        QVERIFY(window_->TimerNeu.isActive());
        QVERIFY(!window_->lblNeu->isVisible());

        // Another workstation's clock books two; another company's booking is not this one's.
        db_.swipe(QStringLiteral("333"), QStringLiteral("202401310715"));
        db_.swipe(QStringLiteral("444"), QStringLiteral("202401310720"));
        db_.withSession([](Session &session) {
            bookCard(session, QStringLiteral("2"), QStringLiteral("ZEN2T1"), QStringLiteral("K"),
                     QStringLiteral("4242"), QStringLiteral("202401310900"));
        });
        QTRY_VERIFY_WITH_TIMEOUT(window_->lblNeu->isVisible(), 3000);
        QVERIFY(window_->lblNeu->text().startsWith(QStringLiteral("2 neue Buchungen – ")));
        QVERIFY(window_->lblNeu->text().contains(QStringLiteral(">Aktualisieren</a>")));
        QCOMPARE(window_->litime->rowCount(), 2);
        QCOMPARE(window_->litime->selectedRow(), 1);
        QCOMPARE(window_->lblOffen->text(), QStringLiteral("2 offene Buchungen"));

        // Ctrl+R is nothing, and F5 in another window is that window's key.
        QTest::keyClick(window_, Qt::Key_R, Qt::ControlModifier);
        QWidget otherWindow;
        otherWindow.show();
        otherWindow.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&otherWindow));
        QTest::keyClick(&otherWindow, Qt::Key_F5);
        QCOMPARE(window_->litime->rowCount(), 2);
        window_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window_));
        // F5 is "Aktualisieren".
        QTest::keyClick(window_, Qt::Key_F5);
        QCOMPARE(window_->litime->rowCount(), 4);
        QVERIFY(!window_->lblNeu->isVisible());
        QCOMPARE(window_->lblOffen->text(), QStringLiteral("4 offene Buchungen"));

        // Assigning the card of the last rows ends the look for new ones; polling takes over.
        for (int left = 4; left > 0; --left) {
            clickBooking(0);
            chooseEmployee(QStringLiteral("dorn"));
            window_->BUSpeich->click();
        }
        QCOMPARE(window_->lblOffen->text(), QStringLiteral("0 offene Buchungen"));
        QVERIFY(!window_->TimerNeu.isActive());
        QVERIFY(window_->Timer1.isActive());
    }

    void newBookingsArePushedOnPostgres()
    {
        if (db_.kind() != EngineKind::Postgres)
            QSKIP("SQLite tells of no new bookings: the list polls");
        // Every wait lasts hours: what arrives within seconds, the server pushed.
        Timing::setScale(3600);
        start();
        QTRY_COMPARE(window_->Timer1.interval(), Timing::scaled(Timing::pollIntervalMs));
        QCOMPARE(window_->litime->rowCount(), 0);
        db_.swipe(QStringLiteral("111"), QStringLiteral("202401310705"));
        waitForListing(1);

        // Rows are listed: the notice is a hint, also after a new connection.
        Trennen();
        window_->BUAkt->click();
        db_.swipe(QStringLiteral("222"), QStringLiteral("202401310710"));
        QTRY_VERIFY_WITH_TIMEOUT(window_->lblNeu->isVisible(), 3000);
        QVERIFY(window_->lblNeu->text().startsWith(QStringLiteral("1 neue Buchung – ")));
        QCOMPARE(window_->litime->rowCount(), 1);

        // Bursts of single swipes, the clock done after each: with rows listed
        // the hint counts them without a read; an empty list is read at most
        // once per interval, and what a read did not show is hinted.
        int card = 700000;
        const auto burst = [this, &card](int swipes) {
            QElapsedTimer took;
            took.start();
            db_.withSession([&](Session &session) {
                for (int i = 0; i < swipes; ++i)
                    bookCard(session, QStringLiteral("1"), QStringLiteral("FIL01T1"), QStringLiteral("K"),
                             QString::number(++card), QStringLiteral("202401310800"));
                tellOfPendingBookings(session);
            });
            return took.elapsed();
        };
        script_.queriesOpened.clear();
        burst(1000);
        QTRY_VERIFY_WITH_TIMEOUT(window_->lblNeu->text().startsWith(QStringLiteral("1001 neue Buchungen – ")), 3000);
        QVERIFY(script_.queriesOpened.isEmpty());
        QCOMPARE(window_->litime->rowCount(), 1);

        db_.exec(QStringLiteral("UPDATE stempelung SET erledigt_am = '20240131090000' WHERE pnr IS NULL"));
        window_->BUAkt->click();
        QCOMPARE(window_->litime->rowCount(), 0);
        script_.queriesOpened.clear();
        const qint64 milliseconds = burst(1000);
        QTRY_VERIFY_WITH_TIMEOUT(window_->litime->rowCount() > 0 &&
                                     window_->litime->rowCount() +
                                             window_->lblNeu->text().section(QLatin1Char(' '), 0, 0).toInt() ==
                                         1000,
                                 3000);
        const qsizetype reads = script_.queriesOpened.count(QStringLiteral("Quastel.NoPers Liste"));
        QVERIFY2(reads >= 1 && reads <= milliseconds / NewBookingsWatch::readIntervalMs + 2,
                 qPrintable(QStringLiteral("%1 reads in %2 ms").arg(reads).arg(milliseconds)));
        QCOMPARE(script_.queriesOpened.size(), reads);
    }

    void aLostListenerFallsBackToPollingAndRecovers()
    {
        if (db_.kind() != EngineKind::Postgres)
            QSKIP("SQLite tells of no new bookings: the list polls");
        Timing::setScale(0.01);
        db_.swipe(QStringLiteral("111"), QStringLiteral("202401310705"));
        start();
        waitForListing(1);
        QVERIFY(newBookingsTold());
        // The server ends the window's connection: no notice comes any more.
        db_.exec(QStringLiteral("SELECT pg_terminate_backend(pid) FROM pg_stat_activity"
                                " WHERE datname = current_database() AND pid <> pg_backend_pid()"));
        QTRY_VERIFY(!newBookingsTold());
        db_.swipe(QStringLiteral("222"), QStringLiteral("202401310710"));
        QTRY_VERIFY(window_->lblNeu->isVisible());
        QVERIFY(window_->lblNeu->text().startsWith(QStringLiteral("1 neue Buchung – ")));
        // The look for new ones connected anew, and the server tells again.
        QTRY_VERIFY(newBookingsTold());
        db_.swipe(QStringLiteral("333"), QStringLiteral("202401310715"));
        QTRY_VERIFY(window_->lblNeu->text().startsWith(QStringLiteral("2 neue Buchungen – ")));
        QVERIFY(fakes_->ui.messages.isEmpty());
    }

    void aWrongAssignmentIsCorrectedFromTheLog()
    {
        const QString swiped = db_.swipe(QStringLiteral("6060"), QStringLiteral("202401310705"));
        otherWorkstationAssigns(QStringLiteral("6060"));
        otherWorkstationAssigns(QStringLiteral("7070"), QStringLiteral("1003"));
        start();
        FMZuordnungen &assignments = openAssignments();
        QVERIFY(assignments.isVisible());
        QVERIFY(assignments.BUKorrigieren->isEnabled()); // the demo's ADM is in group A
        QCOMPARE(assignments.liZuordnungen->rowCount(), 2);
        QCOMPARE(assignments.liZuordnungen->cellText(0, 2), QStringLiteral("7070")); // newest first
        assignments.BKarte->setText(QStringLiteral("6060"));
        assignments.BUAnzeigen->click();
        QCOMPARE(assignments.liZuordnungen->rowCount(), 1);
        QVERIFY(assignments.liZuordnungen->rowText(0).endsWith(QStringLiteral("\nZuordnung\nSCH\n1")));

        // Nothing chosen, a day that is no day: told, nothing changes.
        assignments.BUKorrigieren->click();
        assignments.BTag->setText(QStringLiteral("31.02.2024"));
        assignments.BUAnzeigen->click();
        QCOMPARE(fakes_->ui.messages.size(), 2);
        QCOMPARE(fakes_->ui.messages[1].text, QStringLiteral("Bitte den Tag als TT.MM.JJJJ angeben, z. B. 08.12.2026."));
        QCOMPARE(assignments.liZuordnungen->rowCount(), 1);
        assignments.BTag->clear();

        QAbstractItemView *view = assignments.liZuordnungen->itemView();
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(view->model()->index(0, 0)).center());
        chooseRightEmployee(assignments, QStringLiteral("1004"));
        fakes_->ui.questionAnswers = {false};
        assignments.BUKorrigieren->click();
        QCOMPARE(cardOwner(QStringLiteral("      6060")), QStringLiteral("1002"));
        fakes_->ui.questionAnswers = {true};
        assignments.BUKorrigieren->click();
        QVERIFY(fakes_->ui.questionsAsked.at(1).contains(QStringLiteral("dem Mitarbeiter 1002 M")));
        QCOMPARE(cardOwner(QStringLiteral("      6060")), QStringLiteral("1004"));
        QCOMPARE(db_.column(QStringLiteral("SELECT pnr FROM stempelung WHERE id = ? AND pnr IS NOT NULL"), {swiped.toLongLong()}),
                 QVariantList{"1004"});
        QCOMPARE(assignments.liZuordnungen->rowCount(), 2);
        QVERIFY(assignments.liZuordnungen->rowText(0).endsWith(QStringLiteral("\nKorrektur\nADM\n1")));

        // The window is hidden by its close box and found again, with the log read anew.
        assignments.close();
        QCOMPARE(&openAssignments(), &assignments);
        QCOMPARE(assignments.liZuordnungen->rowCount(), 2);
    }

    void withoutTheRightNothingIsCorrected()
    {
        otherWorkstationAssigns(QStringLiteral("6060"));
        fakes_->ui.arguments = db_.commandLine(QStringLiteral("SCH"), QStringLiteral("kaethe"));
        start();
        FMZuordnungen &assignments = openAssignments();
        QVERIFY(!assignments.BUKorrigieren->isEnabled());
        QVERIFY(assignments.lblRecht->isVisible());
        // Had the button been usable, the server refuses all the same.
        QAbstractItemView *view = assignments.liZuordnungen->itemView();
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(view->model()->index(0, 0)).center());
        assignments.lipnr->setEnabled(true);
        chooseRightEmployee(assignments, QStringLiteral("1004"));
        fakes_->ui.questionAnswers = {true};
        assignments.BUKorrigieren_Click();
        QCOMPARE(fakes_->ui.messages.size(), 1);
        QVERIFY(fakes_->ui.messages[0].text.startsWith(QStringLiteral("Die Zuordnung kann nicht korrigiert werden:")));
        QCOMPARE(cardOwner(QStringLiteral("      6060")), QStringLiteral("1002"));
    }

    void lastAssignmentHidesTheFrameAndPollsAgain()
    {
        db_.swipe(QStringLiteral("777"), QStringLiteral("202403010800"));
        start();
        waitForListing(1);
        clickBooking(0);
        chooseEmployee(QStringLiteral("dorn"));
        window_->BUSpeich->click();
        QCOMPARE(window_->litime->rowCount(), 0);
        QVERIFY(!window_->Frame1->isVisible());
        QVERIFY(window_->lipnr->editText().isEmpty());
        QVERIFY(window_->Timer1.isActive());

        // A swipe while polling shows up at the next tick.
        db_.swipe(QStringLiteral("888"), QStringLiteral("202403010815"));
        waitForListing(1);
        QVERIFY(listedRows().value(0).contains(QStringLiteral("       888")));
        QVERIFY(!window_->Timer1.isActive());
    }

    void refreshReloadsAndKeepsPollingOffWhileBookingsRemain()
    {
        db_.swipe(QStringLiteral("111"), QStringLiteral("202401310705"));
        start();
        waitForListing(1);
        db_.swipe(QStringLiteral("222"), QStringLiteral("202401310710"));
        QTest::qWait(50);
        QCOMPARE(window_->litime->rowCount(), 1); // not polling while bookings are listed
        window_->BUAkt->click();
        QCOMPARE(window_->litime->rowCount(), 2);
        QVERIFY(!window_->Timer1.isActive());
        QVERIFY(window_->BUAkt->isEnabled());
    }

    void aCardsOtherRowsLeaveTheListWithIt()
    {
        const QString first = db_.swipe(QStringLiteral("555"), QStringLiteral("202401310705"));
        const QString other = db_.swipe(QStringLiteral("666"), QStringLiteral("202401310800"));
        const QString second = db_.swipe(QStringLiteral("555"), QStringLiteral("202401311600"));
        // Another company's booking in the same namespace is not this workstation's.
        db_.withSession([](Session &session) {
            bookCard(session, QStringLiteral("2"), QStringLiteral("ZEN2T1"), QStringLiteral("K"),
                     QStringLiteral("4242"), QStringLiteral("202401310900"));
        });
        start();
        waitForListing(3);
        clickBooking(0);
        chooseEmployee(QStringLiteral("dorn"));
        window_->BUSpeich->click();
        QCOMPARE(window_->litime->rowCount(), 1);
        QCOMPARE(window_->litime->keyText(0), other);
        QVERIFY(window_->Frame1->isVisible());
        // Both swipes are the employee's time bookings, each once, and neither is listed again.
        QCOMPARE(db_.column(QStringLiteral("SELECT count(*) FROM stempelung WHERE pnr = '1001' AND id IN (?, ?)"),
                            {first.toLongLong(), second.toLongLong()})
                     .value(0)
                     .toInt(),
                 2);
        window_->BUAkt->click();
        QCOMPARE(window_->litime->rowCount(), 1);
        QVERIFY(fakes_->ui.questionsAsked.isEmpty());
    }

    // The number of the row assigned names another swipe by now (as after a
    // restore that gave numbers out again): that swipe stays on the list.
    void aNumberThatNamesAnotherSwipeIsNotTakenOffTheList()
    {
        const QString shown = db_.swipe(QStringLiteral("777"), QStringLiteral("202401310705"));
        start();
        waitForListing(1);
        db_.exec(QStringLiteral("UPDATE stempelung SET karte = '       888',"
                                " buchungstext = replace(buchungstext, '       777', '       888') WHERE id = ?"),
                 {shown.toLongLong()});
        clickBooking(0);
        chooseEmployee(QStringLiteral("dorn"));
        window_->BUSpeich->click();
        QCOMPARE(db_.column(QStringLiteral("SELECT count(*) FROM stempelung WHERE id = ? AND pnr IS NULL"
                                           " AND erledigt_am IS NULL"),
                            {shown.toLongLong()})
                     .value(0)
                     .toInt(),
                 1);
    }

    void aCardAssignedElsewhereMeanwhileIsAskedAbout()
    {
        db_.swipe(QStringLiteral("666"), QStringLiteral("202401310800"));
        const QString moved = db_.swipe(QStringLiteral("777"), QStringLiteral("202401310805"));
        start();
        waitForListing(2);
        // Another workstation gives both cards to 1002 while this list still shows them.
        otherWorkstationAssigns(QStringLiteral("666"));
        otherWorkstationAssigns(QStringLiteral("777"));

        clickBooking(1); // 666
        chooseEmployee(QStringLiteral("dorn"));
        fakes_->ui.questionAnswers = {false};
        window_->BUSpeich->click();
        QCOMPARE(fakes_->ui.questionsAsked.size(), 1);
        const QString question = fakes_->ui.questionsAsked.at(0);
        QVERIFY2(question.startsWith(QStringLiteral("Karte bereits vergeben|Die Karte 666 gehört bereits dem "
                                                    "Mitarbeiter 1002 ")) &&
                     question.contains(QStringLiteral("zugeordnet von SCH am ")),
                 qPrintable(question));
        QCOMPARE(fakes_->ui.questionPresets, QList<UserInterfacePort::Preset>{UserInterfacePort::Preset::No});
        // No: nothing changes, and the list is read anew without the bookings done elsewhere.
        QCOMPARE(cardOwner(QStringLiteral("       666")), QStringLiteral("1002"));
        QCOMPARE(window_->litime->rowCount(), 0);
        QVERIFY(window_->Timer1.isActive());

        // Yes: the card and the time from its unassigned booking go to the chosen employee.
        db_.swipe(QStringLiteral("888"), QStringLiteral("202401310810"));
        waitForListing(1);
        // As a stale list shows it.
        window_->litime->insertRow(0, TimeClock::bookingText(QStringLiteral("FIL01T1"), QStringLiteral("K"),
                                                             QStringLiteral("777"), QStringLiteral("202401310805")));
        window_->litime->setKeyText(0, moved);
        clickBooking(0);
        chooseEmployee(QStringLiteral("dorn"));
        fakes_->ui.questionAnswers = {true};
        window_->BUSpeich->click();
        QCOMPARE(fakes_->ui.questionsAsked.size(), 2);
        QCOMPARE(cardOwner(QStringLiteral("       777")), QStringLiteral("1001"));
        QCOMPARE(db_.column(QStringLiteral("SELECT pnr FROM stempelung WHERE id = ? AND pnr IS NOT NULL"), {moved.toLongLong()}),
                 QVariantList{"1001"});
        QCOMPARE(db_.column(QStringLiteral("SELECT pnr_vorher || '>' || pnr || ' ' || art || ' ' || von FROM kartenzuordnung"
                                           " WHERE karte = '       777' ORDER BY id")),
                 (QVariantList{">1002 Z SCH", "1002>1001 W ADM"}));
        QCOMPARE(listedRows().size(), 1);
    }

    void aCardThatChangesHandsWhileTheUserIsAskedIsAskedAboutAgain()
    {
        db_.swipe(QStringLiteral("999"), QStringLiteral("202401310800"));
        start();
        waitForListing(1);
        otherWorkstationAssigns(QStringLiteral("999"));
        clickBooking(0);
        chooseEmployee(QStringLiteral("dorn"));
        fakes_->ui.questionAnswers = {true, false};
        fakes_->ui.whileAsking = [&] {
            fakes_->ui.whileAsking = nullptr;
            otherWorkstationAssigns(QStringLiteral("999"), QStringLiteral("1004"));
        };
        window_->BUSpeich->click();
        QCOMPARE(fakes_->ui.questionsAsked.size(), 2);
        QVERIFY(fakes_->ui.questionsAsked.at(1).contains(QStringLiteral("Mitarbeiter 1004 ")));
        QCOMPARE(cardOwner(QStringLiteral("       999")), QStringLiteral("1004"));
    }

    void aServerThatCannotTellTheHolderAssignsWithoutAsking()
    {
        db_.swipe(QStringLiteral("999"), QStringLiteral("202401310800"));
        start();
        waitForListing(1);
        otherWorkstationAssigns(QStringLiteral("999"));
        script_.missingQuery = QStringLiteral("Karteninhaber");
        clickBooking(0);
        chooseEmployee(QStringLiteral("dorn"));
        window_->BUSpeich->click();
        QVERIFY(fakes_->ui.questionsAsked.isEmpty());
        QVERIFY(fakes_->ui.messages.isEmpty());
        QCOMPARE(cardOwner(QStringLiteral("       999")), QStringLiteral("1001"));
        QCOMPARE(window_->litime->rowCount(), 0);
    }

    void aCardWithAControlCharacterIsShownAndNotLost()
    {
        db_.exec(QStringLiteral("INSERT INTO stempelung (firma, karte, buchungstext) VALUES ('1', '     12\n34', ?)"),
                 {QStringLiteral("FIL01T1  K               12\n34202401310705")});
        db_.swipe(QStringLiteral("12"), QStringLiteral("202401310600"));
        start();
        waitForListing(2);
        QCOMPARE(listedRows().value(1), QStringLiteral("2024-01-31\n07:05\n     12\u240A34\n"));
        clickBooking(1);
        chooseEmployee(QStringLiteral("dorn"));
        window_->BUSpeich->click();
        // Not the unrelated card "12": the stored card, which the server refuses.
        QCOMPARE(fakes_->ui.messages.size(), 1);
        QVERIFY(fakes_->ui.messages[0].text.startsWith(QStringLiteral("Die Karte kann nicht zugeordnet werden:")));
        QVERIFY(cardOwner(QStringLiteral("        12")).isEmpty());
        QCOMPARE(window_->litime->rowCount(), 2);
        QCOMPARE(db_.column(QStringLiteral("SELECT count(*) FROM stempelung WHERE pnr IS NULL AND erledigt_am IS NULL")).value(0).toInt(), 2);
    }

    void speichernWithoutChoiceChangesNothing()
    {
        db_.swipe(QStringLiteral("111"), QStringLiteral("202401310705"));
        start();
        waitForListing(1);
        window_->BUSpeich->click(); // no booking selected
        QVERIFY(fakes_->ui.messages.isEmpty());
        clickBooking(0);
        window_->BUSpeich->click(); // no employee chosen
        QTest::keyClicks(window_->lipnr->lineEdit(), QStringLiteral("10")); // fits several
        window_->BUSpeich->click();
        QCOMPARE(fakes_->ui.messages.size(), 2);
        QCOMPARE(fakes_->ui.messages[1].text, QStringLiteral("Bitte wählen Sie einen Mitarbeiter aus der Liste."));
        QCOMPARE(window_->litime->rowCount(), 1);
        QVERIFY(cardOwner(QStringLiteral("       111")).isEmpty());
        QVERIFY(window_->BUSpeich->isEnabled());
    }

    void secondClickWhileWaitingForTheConnectionIsRefused()
    {
        const QString id = db_.swipe(QStringLiteral("111"), QStringLiteral("202401310705"));
        start();
        waitForListing(1);
        clickBooking(0);
        chooseEmployee(QStringLiteral("dorn"));
        Trennen(); // idle: the assignment must connect first, and waits between attempts
        script_.failuresLeft = 1;
        bool enabledWhileWaiting = true;
        QTimer::singleShot(0, [&] {
            enabledWhileWaiting = window_->BUSpeich->isEnabled();
            window_->BUSpeich->click();
        });
        window_->BUSpeich->click();
        QVERIFY(!enabledWhileWaiting);
        QVERIFY(window_->BUSpeich->isEnabled());
        QCOMPARE(window_->litime->rowCount(), 0);
        QCOMPARE(db_.column(QStringLiteral("SELECT count(*) FROM stempelung WHERE id = ? AND pnr IS NOT NULL"), {id.toLongLong()})
                     .value(0)
                     .toInt(),
                 1);
        QVERIFY(fakes_->ui.messages.isEmpty());
    }

    void theQuestionNamesWhomYesAssignsThoughTheChoiceChangesWhileWaiting()
    {
        db_.swipe(QStringLiteral("999"), QStringLiteral("202401310800"));
        start();
        waitForListing(1);
        otherWorkstationAssigns(QStringLiteral("999"));
        clickBooking(0);
        chooseEmployee(QStringLiteral("dorn"));
        const QString chosen = window_->lipnr->keyText(window_->lipnr->selectedIndex());
        const QString chosenShown = window_->lipnr->editText();
        Trennen(); // idle: the assignment must connect first, and waits between attempts
        script_.failuresLeft = 1;
        QString chosenWhileWaiting;
        QTimer::singleShot(0, [&] {
            chooseEmployee(QStringLiteral("1004"));
            chosenWhileWaiting = window_->lipnr->keyText(window_->lipnr->selectedIndex());
        });
        fakes_->ui.questionAnswers = {true};
        window_->BUSpeich->click();
        QCOMPARE(chosenWhileWaiting, QStringLiteral("1004"));
        QVERIFY(chosen != chosenWhileWaiting);
        // Asked about and given: the employee chosen when "Speichern" was pressed.
        QCOMPARE(fakes_->ui.questionsAsked.size(), 1);
        const QString question = fakes_->ui.questionsAsked.at(0);
        QVERIFY2(question.contains(QStringLiteral("Soll die Karte auf den Mitarbeiter ") + chosenShown +
                                   QStringLiteral(" übergehen?")),
                 qPrintable(question));
        QCOMPARE(cardOwner(QStringLiteral("       999")), chosen);
        QCOMPARE(window_->litime->rowCount(), 0);
    }

    void unreadableDateIsListedAssignableAndNotedOnce()
    {
        QString id;
        db_.exec(QStringLiteral("INSERT INTO stempelung (firma, karte, buchungstext) VALUES ('1', '       999', ?)"),
                 {QStringLiteral("FIL01T1  K                 9992024AB310705")});
        id = db_.column(QStringLiteral("SELECT id FROM stempelung WHERE pnr IS NULL")).value(0).toString();
        start();
        waitForListing(1);
        QCOMPARE(listedRows().value(0), QStringLiteral("2024AB31\n07:05\n       999\n"));
        window_->BUAkt->click();
        QCOMPARE(frmProgrammverlauf::instance().entries().rowCount(), 1);
        QVERIFY(frmProgrammverlauf::instance().entries().rowText(0).contains(QStringLiteral("Id ") + id));
        clickBooking(0);
        chooseEmployee(QStringLiteral("dorn"));
        window_->BUSpeich->click();
        QCOMPARE(window_->litime->rowCount(), 0);
        QCOMPARE(cardOwner(QStringLiteral("       999")), QStringLiteral("1001"));
    }

    void failingServerCallEndsTheProgramInOrder()
    {
        const QString id = db_.swipe(QStringLiteral("111"), QStringLiteral("202401310705"));
        start();
        waitForListing(1);
        clickBooking(0);
        chooseEmployee(QStringLiteral("dorn"));
        // The booking's record is gone from the server meanwhile.
        db_.exec(QStringLiteral("DELETE FROM stempelung WHERE id = ?"), {id.toLongLong()});
        QVERIFY_THROWS_EXCEPTION(ProgramEnded, runGuarded([&] { window_->BUSpeich_Click(); }));
        QCOMPARE(fakes_->ui.messages.size(), 1);
        QVERIFY(fakes_->ui.messages[0].text.startsWith(QStringLiteral("Laufzeitfehler '5104':\r\n\r\n")));
        QCOMPARE(fakes_->ui.messages[0].title, QStringLiteral(KARVEN_APP_TITLE));
        QVERIFY2(!Verbindung.CacheFactory->isConnected(), "disconnected before the end");
    }

    void pollingWaitsForTheLogin()
    {
        // The first login is refused, so the dialog comes; no refresh may run under it.
        fakes_->ui.arguments.replace(DemoLogin::password, QStringLiteral("falsch"));
        bool timerRanDuringLogin = true;
        QTimer::singleShot(0, [&] {
            timerRanDuringLogin = window_->Timer1.isActive();
            program_->loginDialog.BPASSWORT->setText(DemoLogin::password);
            SettingsStore::write(LoginSetting::Server, db_.target().host);
            program_->serverList.setField(ServerListPort::Field::BSERVERIP, db_.target().host);
            program_->serverList.setField(ServerListPort::Field::BPORT, QString::number(db_.target().port));
            program_->serverList.setField(ServerListPort::Field::BNAMESPACE, db_.target().nameSpace);
            program_->loginDialog.BUSpeich->click();
        });
        SettingsStore::write(LoginSetting::ServerObjekt, QStringLiteral("0"));
        SettingsStore::write(LoginSetting::Server, db_.target().host);
        SettingsStore::write(LoginSetting::Port, QString::number(db_.target().port));
        SettingsStore::write(LoginSetting::Namespace, db_.target().nameSpace);
        start();
        QVERIFY(!timerRanDuringLogin);
        QVERIFY(window_->windowTitle().contains(QStringLiteral("Benutzer: ADM|")));
        QVERIFY(window_->Timer1.isActive());
    }

    void everyHandlerThatReachesTheServerIsGuarded()
    {
        startWithAllWindowsOpen();
        clickBooking(0);
        chooseEmployee(QStringLiteral("dorn"));
        FMServer &serverList = program_->serverList.window();
        const QVector<QPair<QString, std::function<void()>>> handlers = {
            {QStringLiteral("Speichern"), [&] { window_->BUSpeich->click(); }},
            {QStringLiteral("Aktualisieren"), [&] { window_->BUAkt->click(); }},
            {QStringLiteral("Zuordnungen…"), [&] { window_->mZuordnungen->trigger(); }},
            {QStringLiteral("Anzeigen"), [&] { window_->findChild<FMZuordnungen *>()->BUAnzeigen->click(); }},
            {QStringLiteral("Anmelden"), [&] { program_->loginDialog.BUSpeich->click(); }},
            {QStringLiteral("Serverliste"), [&] { clickServerEntry(0); }},
            {QStringLiteral("Ändern"),
             [&] {
                 fakes_->ui.questionAnswers = {true, true};
                 serverList.BUEdit->click();
                 serverList.BUEdit->click();
             }},
        };
        for (const auto &[name, handler] : handlers) {
            // Disconnected, with a factory that cannot be made: the handler's bracket raises.
            Trennen();
            registerFactory([] { return std::unique_ptr<Factory>(); });
            fakes_->ui.messages.clear();
            QVERIFY_THROWS_EXCEPTION(ProgramEnded, handler());
            QVERIFY2(fakes_->ui.messages.size() == 1 &&
                         fakes_->ui.messages[0].text.startsWith(QStringLiteral("Laufzeitfehler '429':")),
                     qPrintable(name));
        }
    }

    void closingAnyWindowWhileAHandlerWaits_data()
    {
        QTest::addColumn<QString>("handler");
        QTest::addColumn<QByteArray>("window");
        for (const char *handler : {"Aktualisieren", "Serverliste", "Ändern", "Anmelden"})
            for (const char *window : {"FMStart", "FMPass", "FMServer", "frmProgrammverlauf", "frmAbout"})
                QTest::addRow("%s, %s", handler, window) << QString::fromUtf8(handler) << QByteArray(window);
    }

    void closingAnyWindowWhileAHandlerWaits()
    {
        QFETCH(QString, handler);
        QFETCH(QByteArray, window);
        startWithAllWindowsOpen();
        fakes_->ui.endThrows = false;
        fakes_->ui.boxesRunEvents = true;
        // Idle, and the server away four times: the handler waits between attempts,
        // in the warning, for the server list shown modally, in ObjektSchliessen and
        // in question and message boxes. The user closes the window at each of them,
        // and puts the server list away whenever it is shown.
        Trennen();
        script_.failuresLeft = 4;
        CloseBoxPresser user({window.constData(), "FMServer"});
        if (handler == QLatin1String("Aktualisieren")) {
            window_->BUAkt->click();
        } else if (handler == QLatin1String("Serverliste")) {
            clickServerEntry(0);
        } else if (handler == QLatin1String("Ändern")) {
            fakes_->ui.questionAnswers = {true, true};
            program_->serverList.window().BUEdit->click();
            program_->serverList.window().BUEdit->click();
        } else {
            program_->loginDialog.BUSpeich->click();
        }
        QVERIFY(user.presses > 0);
        // Closing the main window or the login dialog ends the program; any other only goes away.
        const bool ends = window == "FMStart" || window == "FMPass";
        QCOMPARE(fakes_->ui.endProgramCalls > 0, ends);
    }
};

QTEST_MAIN(TestMainWindow)
#include "test_mainwindow.moc"
