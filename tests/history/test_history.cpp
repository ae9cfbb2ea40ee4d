#include "controls/ctlist.h"
#include "history/frmprogrammverlauf.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCloseEvent>
#include <QPointer>
#include <QTest>
#include <QtTest/qtestspontaneevent.h>

class TestHistory : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();

    void firstEntryCreatesWindowHidden();
    void keepsTheHundredNewestOnTop();
    void entryWithEmptyTextsIsOneRow();
    void textsStayInTheirColumns();
    void closeBoxOnlyHides();
    void programEndDestroysWindow();
};

void TestHistory::cleanup()
{
    frmProgrammverlauf::unload();
}

void TestHistory::firstEntryCreatesWindowHidden()
{
    frmProgrammverlauf::instance().StatusText("cacheapi.CacheFehlermeldung", "FMStart.Form_Load",
                                              "Fehler #-5 Verbindung fehlt");
    frmProgrammverlauf &window = frmProgrammverlauf::instance();
    QVERIFY(!window.isVisible());
    QCOMPARE(window.windowTitle(), "Programmverlauf");

    const CtList &list = window.entries();
    QCOMPARE(list.rowCount(), 1);
    QCOMPARE(list.cellText(0, 1), "cacheapi.CacheFehlermeldung");
    QCOMPARE(list.cellText(0, 2), "FMStart.Form_Load");
    QCOMPARE(list.cellText(0, 3), "Fehler #-5 Verbindung fehlt");
    QCOMPARE(list.rowText(0), "cacheapi.CacheFehlermeldung;FMStart.Form_Load;Fehler #-5 "
                              "Verbindung fehlt");

    const QAbstractItemModel *columns = list.itemView()->model();
    QCOMPARE(columns->columnCount(), 3);
    QCOMPARE(columns->headerData(0, Qt::Horizontal).toString(), "Programmteil");
    QCOMPARE(columns->headerData(1, Qt::Horizontal).toString(), "Text");
    QCOMPARE(columns->headerData(2, Qt::Horizontal).toString(), "Parameter");
}

void TestHistory::keepsTheHundredNewestOnTop()
{
    frmProgrammverlauf &window = frmProgrammverlauf::instance();
    const CtList &list = window.entries();
    for (int entry = 0; entry < 100; ++entry)
        window.StatusText("teil", "eintrag", QString::number(entry));
    QCOMPARE(list.rowCount(), 100);
    QCOMPARE(list.cellText(99, 3), "0");

    for (int entry = 100; entry < 150; ++entry)
        window.StatusText("teil", "eintrag", QString::number(entry));
    QCOMPARE(list.rowCount(), 100);
    for (int row = 0; row < 100; ++row)
        QCOMPARE(list.cellText(row, 3), QString::number(149 - row));
}

void TestHistory::entryWithEmptyTextsIsOneRow()
{
    frmProgrammverlauf &window = frmProgrammverlauf::instance();
    window.StatusText("cacheapi.CacheFehlermeldung", "", "");
    const CtList &list = window.entries();
    QCOMPARE(list.rowCount(), 1);
    QCOMPARE(list.cellText(0, 1), "cacheapi.CacheFehlermeldung");
    QCOMPARE(list.cellText(0, 2), "");
    QCOMPARE(list.cellText(0, 3), "");
    QCOMPARE(list.rowText(0), "cacheapi.CacheFehlermeldung;;");
}

void TestHistory::textsStayInTheirColumns()
{
    frmProgrammverlauf &window = frmProgrammverlauf::instance();
    window.StatusText("a;b", "S X=1;W X", "Fehler #5 ; unerwartet");
    const CtList &list = window.entries();
    QCOMPARE(list.cellText(0, 1), "a;b");
    QCOMPARE(list.cellText(0, 2), "S X=1;W X");
    QCOMPARE(list.cellText(0, 3), "Fehler #5 ; unerwartet");
    QCOMPARE(list.rowText(0), "a;b;S X=1;W X;Fehler #5 ; unerwartet");
}

void TestHistory::closeBoxOnlyHides()
{
    QWidget owner;
    owner.show();
    frmProgrammverlauf &window = frmProgrammverlauf::instance();
    window.StatusText("eins", "", "");
    window.StatusText("zwei", "", "");

    window.showFrom(&owner);
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(window.parentWidget(), &owner);
    QCOMPARE(window.entries().rowCount(), 2);

    // A click on the close box reaches the window as a spontaneous close event.
    QCloseEvent closeBox;
    QSpontaneKeyEvent::setSpontaneous(&closeBox);
    qApp->notify(&window, &closeBox); // sendEvent() would clear the spontaneous flag
    QVERIFY(!closeBox.isAccepted());
    QVERIFY(!window.isVisible());
    QCOMPARE(&frmProgrammverlauf::instance(), &window);

    window.StatusText("drei", "", "");
    window.showFrom(&owner);
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(window.entries().rowCount(), 3);
    QCOMPARE(window.entries().cellText(0, 1), "drei");
    QCOMPARE(window.entries().cellText(2, 1), "eins");
}

void TestHistory::programEndDestroysWindow()
{
    QPointer<frmProgrammverlauf> window = &frmProgrammverlauf::instance();
    window->StatusText("eins", "", "");
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));

    QVERIFY(window->close()); // closing by the program is not refused
    QVERIFY(!window->isVisible());

    frmProgrammverlauf::unload();
    QVERIFY(window.isNull());
    QCOMPARE(frmProgrammverlauf::instance().entries().rowCount(), 0);
}

QTEST_MAIN(TestHistory)
#include "test_history.moc"
