#include "controls/ctcombo.h"
#include "controls/ctlist.h"
#include "controls/rowbatch.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <QVBoxLayout>

namespace {

const QChar LineFeed = QLatin1Char('\n');

// The four columns of the bookings list, rows joined by line feeds.
void setUpBookings(CtList &list)
{
    list.setColumns({{"Datum", 75}, {"Zeit", 75}, {"Karte", 100}, {"Pnr", 40}}, LineFeed);
}

// The bookings list with the rows A, B and C, shown on screen.
void showRowsABC(CtList &list)
{
    setUpBookings(list);
    for (const char *text : {"A", "B", "C"})
        list.addRow(text);
    list.resize(400, 300);
    list.show();
}

QStringList rowTexts(const CtList &list)
{
    QStringList texts;
    for (int row = 0; row < list.rowCount(); ++row)
        texts.append(list.rowText(row));
    return texts;
}

QPoint rowCentre(const CtList &list, int row)
{
    const QAbstractItemView *view = list.itemView();
    return view->visualRect(view->model()->index(row, 0)).center();
}

void clickRow(CtList &list, int row, Qt::MouseButton button = Qt::LeftButton)
{
    QTest::mouseClick(list.itemView()->viewport(), button, {}, rowCentre(list, row));
}

// Employee number and name, as the employee list hands them over.
void fillEmployees(CtCombo &combo)
{
    combo.setColumns({30, 90}, LineFeed);
    const QStringList employees{"4711\nMüller, Hans", "4712\nSchulz, Eva", "4713\nMeier, Udo",
                                "5001\nKrause, Jörg"};
    for (const QString &employee : employees) {
        combo.addEntry(employee);
        combo.setKeyText(combo.entryCount() - 1, employee.section(LineFeed, 0, 0));
    }
}

// Types as the user would, letters beyond ASCII included.
void type(QWidget *widget, const QString &text)
{
    for (const QChar character : text)
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key(character.toUpper().unicode()),
                            QString(character), Qt::NoModifier);
}

QStringList shownEntries(const CtCombo &combo)
{
    const QAbstractItemView *dropDown = combo.dropDownView();
    QStringList numbers;
    if (!dropDown->isVisible())
        return numbers;
    for (int row = 0; row < dropDown->model()->rowCount(); ++row)
        numbers.append(dropDown->model()->index(row, 0).data().toString());
    return numbers;
}

void pickShownEntry(CtCombo &combo, int shownRow)
{
    QAbstractItemView *dropDown = combo.dropDownView();
    const QRect entry = dropDown->visualRect(dropDown->model()->index(shownRow, 0));
    QTest::mouseClick(dropDown->viewport(), Qt::LeftButton, {}, entry.center());
}

} // namespace

class TestControls : public QObject
{
    Q_OBJECT

private slots:
    void listInsertsAtTheGivenIndex();
    void listSplitsRowTextsIntoColumns_data();
    void listSplitsRowTextsIntoColumns();
    void listCellsAndKeysStayWithTheirRow();
    void listRemovesRows();
    void listRefusesIndexesOutOfRange();
    void listReportsClicksAndKeys();
    void listSelectionFollowsItsRow();
    void listLeavesOnTab();
    void listKeepsColumnProportions();
    void listLaysOutRows();
    void listTakesManyRowsAtTheTop();
    void listFormatsRowsOnlyWhenRead();

    void comboKeepsEntriesAndKeys();
    void comboNarrowsToTypedText_data();
    void comboNarrowsToTypedText();
    void comboChoosesPickedEntryByFullIndex();
    void comboDropsChoiceWhenTextChanges();
    void comboShowsAllEntriesOnF4();
    void comboFindsAmongThousands();
};

void TestControls::listInsertsAtTheGivenIndex()
{
    CtList list;
    setUpBookings(list);
    list.insertRow(0, "A");
    list.insertRow(0, "B");
    list.insertRow(0, "C");
    QCOMPARE(rowTexts(list), QStringList({"C\n\n\n", "B\n\n\n", "A\n\n\n"}));

    list.addRow("D");
    QVERIFY(list.insertRow(1, "E"));
    QVERIFY(list.insertRow(list.rowCount(), "F"));
    QCOMPARE(list.rowCount(), 6);
    QCOMPARE(list.cellText(0, 1), "C");
    QCOMPARE(list.cellText(1, 1), "E");
    QCOMPARE(list.cellText(4, 1), "D");
    QCOMPARE(list.cellText(5, 1), "F");
}

void TestControls::listSplitsRowTextsIntoColumns_data()
{
    QTest::addColumn<QChar>("separator");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("cells");
    QTest::addColumn<QString>("rowText");

    QTest::newRow("booking") << LineFeed << "2024-01-31\n07:05\n  0815 12 "
                             << QStringList{"2024-01-31", "07:05", "  0815 12 ", ""}
                             << "2024-01-31\n07:05\n  0815 12 \n";
    QTest::newRow("surplus separators go to the last column")
        << QChar(';') << "a;b;c;d;e" << QStringList{"a", "b", "c", "d;e"} << "a;b;c;d;e";
    QTest::newRow("the other separator is plain text")
        << LineFeed << "x;y\nz" << QStringList{"x;y", "z", "", ""} << "x;y\nz\n\n";
    QTest::newRow("empty columns")
        << QChar(';') << ";;x;" << QStringList{"", "", "x", ""} << ";;x;";
    QTest::newRow("empty text") << QChar(';') << "" << QStringList{"", "", "", ""} << ";;;";
}

void TestControls::listSplitsRowTextsIntoColumns()
{
    QFETCH(QChar, separator);
    QFETCH(QString, text);
    QFETCH(QStringList, cells);
    QFETCH(QString, rowText);

    CtList list;
    list.setColumns({{"1", 1}, {"2", 1}, {"3", 1}, {"4", 1}}, separator);
    list.addRow(text);
    for (int column = 1; column <= 4; ++column)
        QCOMPARE(list.cellText(0, column), cells[column - 1]);
    QCOMPARE(list.rowText(0), rowText);
}

void TestControls::listCellsAndKeysStayWithTheirRow()
{
    CtList list;
    setUpBookings(list);
    list.insertRow(0, "2024-01-30\n08:00\n0000000001");
    list.setKeyText(0, "id1");
    list.insertRow(0, "2024-01-31\n07:05\n0000000002");
    list.setKeyText(0, "id2");

    QVERIFY(list.setCellText(1, 4, "4711"));
    QCOMPARE(list.cellText(1, 4), "4711");
    QCOMPARE(list.rowText(1), "2024-01-30\n08:00\n0000000001\n4711");
    QCOMPARE(list.cellText(1, 3), "0000000001");

    list.insertRow(0, "2024-02-01\n09:00\n0000000003");
    QCOMPARE(list.keyText(0), "");
    QCOMPARE(list.keyText(1), "id2");
    QCOMPARE(list.keyText(2), "id1");
    QCOMPARE(list.cellText(2, 4), "4711");

    QVERIFY(list.setKeyText(2, "changed"));
    QCOMPARE(list.keyText(2), "changed");
    QCOMPARE(list.keyText(1), "id2");
}

void TestControls::listRemovesRows()
{
    CtList list;
    list.setColumns({{"Nr", 25}, {"Name", 200}}, ';');
    for (const char *text : {"1;a", "2;b", "3;c", "4;d"})
        list.addRow(text);
    list.setKeyText(2, "key of 3");

    QVERIFY(list.removeRow(1));
    QCOMPARE(rowTexts(list), QStringList({"1;a", "3;c", "4;d"}));
    QCOMPARE(list.keyText(1), "key of 3");
    QVERIFY(list.removeRow(0));
    QVERIFY(list.removeRow(list.rowCount() - 1));
    QCOMPARE(rowTexts(list), QStringList({"3;c"}));

    list.removeAllRows();
    QCOMPARE(list.rowCount(), 0);
    QCOMPARE(list.selectedRow(), -1);
    list.addRow("5;e");
    QCOMPARE(rowTexts(list), QStringList({"5;e"}));
}

void TestControls::listRefusesIndexesOutOfRange()
{
    CtList list;
    list.setColumns({{"Nr", 25}, {"Name", 200}}, ';');
    list.addRow("1;a");
    list.setKeyText(0, "k");

    for (int row : {-1, 1, 1000}) {
        QCOMPARE(list.rowText(row), "");
        QCOMPARE(list.keyText(row), "");
        QCOMPARE(list.cellText(row, 1), "");
        QVERIFY(!list.isRowSelected(row));
        QVERIFY(!list.setKeyText(row, "x"));
        QVERIFY(!list.setCellText(row, 1, "x"));
        QVERIFY(!list.removeRow(row));
    }
    for (int column : {0, 3, -1}) {
        QCOMPARE(list.cellText(0, column), "");
        QVERIFY(!list.setCellText(0, column, "x"));
    }
    QVERIFY(!list.insertRow(-1, "x"));
    QVERIFY(!list.insertRow(2, "x"));

    QCOMPARE(rowTexts(list), QStringList({"1;a"}));
    QCOMPARE(list.keyText(0), "k");

    CtList empty;
    QCOMPARE(empty.selectedRow(), -1);
    QVERIFY(!empty.removeRow(0));
}

void TestControls::listReportsClicksAndKeys()
{
    CtList list;
    showRowsABC(list);
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    QCOMPARE(list.selectedRow(), -1);

    QSignalSpy clicked(&list, &CtList::rowClicked);
    QSignalSpy activated(&list, &CtList::rowActivated);
    QSignalSpy pressed(&list, &CtList::mouseButtonPressed);

    // The first row is current but not chosen (as when the list gets the focus); Space chooses it.
    QAbstractItemView *view = list.itemView();
    view->selectionModel()->setCurrentIndex(view->model()->index(0, 0),
                                            QItemSelectionModel::NoUpdate);
    QTest::keyClick(view, Qt::Key_Space);
    QCOMPARE(activated.size(), 1);
    QCOMPARE(activated.last().first().toInt(), 0);
    QCOMPARE(list.selectedRow(), 0);
    activated.clear();

    clickRow(list, 1);
    QCOMPARE(clicked.size(), 1);
    QCOMPARE(clicked.first().first().toInt(), 1);
    QCOMPARE(list.selectedRow(), 1);
    QVERIFY(list.isRowSelected(1));
    QVERIFY(!list.isRowSelected(0));
    QCOMPARE(pressed.size(), 1);
    QCOMPARE(pressed.first().at(0).value<Qt::MouseButton>(), Qt::LeftButton);
    const QPoint expected = list.itemView()->viewport()->mapTo(&list, rowCentre(list, 1));
    QCOMPARE(pressed.first().at(2).toPoint(), expected);

    QTest::keyClick(list.itemView(), Qt::Key_Down);
    QCOMPARE(activated.size(), 1);
    QCOMPARE(activated.last().first().toInt(), 2);
    QCOMPARE(list.selectedRow(), 2);
    QTest::keyClick(list.itemView(), Qt::Key_Return);
    QCOMPARE(activated.size(), 2);
    QCOMPARE(activated.last().first().toInt(), 2);

    // Whole rows, as in a list: Home and End go to the first and last row, Left and Right
    // stay on the row.
    QTest::keyClick(list.itemView(), Qt::Key_Home);
    QCOMPARE(activated.last().first().toInt(), 0);
    QCOMPARE(list.selectedRow(), 0);
    QTest::keyClick(list.itemView(), Qt::Key_Right);
    QCOMPARE(activated.size(), 3);
    QCOMPARE(list.selectedRow(), 0);
    QTest::keyClick(list.itemView(), Qt::Key_End);
    QCOMPARE(activated.last().first().toInt(), 2);

    clickRow(list, 0, Qt::RightButton);
    QCOMPARE(pressed.last().at(0).value<Qt::MouseButton>(), Qt::RightButton);
}

void TestControls::listSelectionFollowsItsRow()
{
    CtList list;
    showRowsABC(list);
    QVERIFY(QTest::qWaitForWindowExposed(&list));

    clickRow(list, 1);
    list.insertRow(0, "top");
    QCOMPARE(list.selectedRow(), 2);
    QCOMPARE(list.cellText(list.selectedRow(), 1), "B");

    list.removeRow(0);
    QCOMPARE(list.cellText(list.selectedRow(), 1), "B");
    list.insertRow(0, "top");

    // Removing the chosen row must not leave a neighbour chosen in its place.
    list.removeRow(2);
    QCOMPARE(list.selectedRow(), -1);

    clickRow(list, 0);
    list.removeAllRows();
    QCOMPARE(list.selectedRow(), -1);
}

void TestControls::listLeavesOnTab()
{
    QWidget window;
    auto *list = new CtList(&window);
    auto *next = new QLineEdit(&window);
    auto *layout = new QVBoxLayout(&window);
    layout->addWidget(list);
    layout->addWidget(next);
    setUpBookings(*list);
    list->addRow("A");
    list->addRow("B");
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    list->itemView()->setFocus();
    QTest::keyClick(list->itemView(), Qt::Key_Tab);
    QVERIFY(next->hasFocus());
}

void TestControls::listKeepsColumnProportions()
{
    CtList list;
    list.setColumns({{"Programmteil", 175}, {"Text", 275}, {"Parameter", 595}}, ';');
    const QHeaderView *header = qobject_cast<QTableView *>(list.itemView())->horizontalHeader();

    for (int width : {570, 1000, 300}) {
        list.resize(width, 300);
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        const int available = list.itemView()->viewport()->width();
        const int first = header->sectionSize(0);
        const int second = header->sectionSize(1);
        const int third = header->sectionSize(2);
        QCOMPARE(first + second + third, available);
        QVERIFY2(qAbs(first * 275 - second * 175) <= 275 + 175, qPrintable(QString::number(width)));
        QVERIFY2(qAbs(first * 595 - third * 175) <= 2 * (595 + 175),
                 qPrintable(QString::number(width)));
    }
}

void TestControls::listLaysOutRows()
{
    CtList list;
    setUpBookings(list);
    list.resize(400, 300);
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    const auto *view = qobject_cast<QTableView *>(list.itemView());

    // Laid out as soon as it is filled, before anything is painted: a paint first would be
    // followed by a second one for the new scroll range.
    {
        const RowBatch batch(list);
        for (int row = 0; row < 1000; ++row)
            list.addRow(QStringLiteral("2024-01-31\n07:05\n%1").arg(row));
    }
    QCOMPARE(view->verticalScrollBar()->maximum(),
             1000 - view->viewport()->height() / view->rowHeight(0));

    // A line each, unless the rows fit their texts.
    list.insertRow(0, QStringLiteral("1\n2\n3"));
    list.setCellText(0, 4, QStringLiteral("drei\nZeilen\nText"));
    QTest::qWait(0);
    const int line = view->rowHeight(1);
    QCOMPARE(view->rowHeight(0), line);
    list.setRowsFitText(true);
    QTRY_VERIFY(view->rowHeight(0) >= 3 * line - 2);
    QCOMPARE(view->rowHeight(1), line);
}

void TestControls::listTakesManyRowsAtTheTop()
{
    CtList list;
    setUpBookings(list);
    list.show();
    constexpr int Rows = 100000;
    for (int row = 0; row < Rows; ++row)
        list.insertRow(0, QString::number(row), QString::number(row));
    // A row longer than any other, between rows read before and after it.
    const QString longText(50000, QLatin1Char('x'));
    list.insertRow(Rows / 2, longText);
    QCOMPARE(list.cellText(Rows / 2 + 1, 1), QString::number(Rows / 2 - 1));
    list.insertRow(0, QStringLiteral("top"));
    QCOMPARE(list.rowCount(), Rows + 2);
    QCOMPARE(list.keyText(1), QString::number(Rows - 1));
    QCOMPARE(list.cellText(Rows + 1, 1), "0");
    QCOMPARE(list.cellText(Rows / 2 + 1, 1), longText);
    QVERIFY(list.removeRow(Rows / 2 + 1));
    QCOMPARE(list.cellText(Rows / 2 + 1, 1), QString::number(Rows / 2 - 1));
    QCOMPARE(list.insertedText(0), u"top");
    list.removeAllRows();
    QCOMPARE(list.rowCount(), 0);
    list.addRow(QStringLiteral("again"));
    QCOMPARE(list.cellText(0, 1), "again");
}

void TestControls::listFormatsRowsOnlyWhenRead()
{
    CtList list;
    setUpBookings(list);
    QStringList formatted;
    list.setRowFormatter([&](const QString &text) {
        formatted << text;
        return text.left(2) + LineFeed + text.mid(2, 2) + LineFeed + text.mid(4);
    });
    for (int row = 0; row < 1000; ++row)
        list.addRow(QStringLiteral("%1").arg(row, 6, 10, QLatin1Char('0')));
    QVERIFY(formatted.isEmpty());
    QCOMPARE(list.insertedText(999), u"000999");

    // Read, painted or changed: formatted once, and then as any row.
    QCOMPARE(list.rowText(999), "00\n09\n99\n");
    QCOMPARE(list.cellText(998, 3), "98");
    QVERIFY(list.setCellText(997, 4, "1001"));
    QCOMPARE(list.rowText(997), "00\n09\n97\n1001");
    QCOMPARE(list.insertedText(997), u"000997");
    QCOMPARE(list.rowText(999), "00\n09\n99\n");
    list.resize(400, 300);
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    QVERIFY(formatted.contains("000000"));
    QVERIFY2(formatted.size() < 100, qPrintable(QString::number(formatted.size())));
    QCOMPARE(formatted.count("000999"), 1);
}

void TestControls::comboKeepsEntriesAndKeys()
{
    CtCombo combo;
    fillEmployees(combo);
    QCOMPARE(combo.entryCount(), 4);
    QCOMPARE(combo.selectedIndex(), -1);
    QCOMPARE(combo.keyText(0), "4711");
    QCOMPARE(combo.keyText(3), "5001");
    QVERIFY(combo.setKeyText(1, "other"));
    QCOMPARE(combo.keyText(1), "other");

    QCOMPARE(combo.keyText(-1), "");
    QCOMPARE(combo.keyText(4), "");
    QVERIFY(!combo.setKeyText(4, "x"));
    QVERIFY(!combo.setKeyText(-1, "x"));

    combo.removeAllEntries();
    QCOMPARE(combo.entryCount(), 0);
    QCOMPARE(combo.keyText(0), "");
}

void TestControls::comboNarrowsToTypedText_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("shown");

    QTest::newRow("number part") << "471" << QStringList{"4711", "4712", "4713"};
    QTest::newRow("whole number") << "5001" << QStringList{"5001"};
    QTest::newRow("name, lower case") << "müller" << QStringList{"4711"};
    QTest::newRow("name part, upper case") << "SCH" << QStringList{"4712"};
    QTest::newRow("first name") << "jörg" << QStringList{"5001"};
    QTest::newRow("in both columns") << "1" << QStringList{"4711", "4712", "4713", "5001"};
    QTest::newRow("nothing") << "xyz" << QStringList{};
}

void TestControls::comboNarrowsToTypedText()
{
    QFETCH(QString, typed);
    QFETCH(QStringList, shown);

    CtCombo combo;
    fillEmployees(combo);
    combo.resize(300, 25);
    combo.show();
    QVERIFY(QTest::qWaitForWindowExposed(&combo));

    type(combo.lineEdit(), typed);
    QCOMPARE(shownEntries(combo), shown);
    QCOMPARE(combo.selectedIndex(), -1);
    QCOMPARE(combo.editText(), typed);
}

void TestControls::comboChoosesPickedEntryByFullIndex()
{
    CtCombo combo;
    fillEmployees(combo);
    combo.resize(300, 25);
    combo.show();
    QVERIFY(QTest::qWaitForWindowExposed(&combo));

    type(combo.lineEdit(), "meier");
    QCOMPARE(shownEntries(combo), QStringList{"4713"});
    pickShownEntry(combo, 0);
    QCOMPARE(combo.selectedIndex(), 2);
    QCOMPARE(combo.keyText(combo.selectedIndex()), "4713");
    QVERIFY(!combo.dropDownView()->isVisible());
    QVERIFY(combo.editText().contains("Meier, Udo"));

    // Enter takes the only entry left by the typed text, and nothing when several are left.
    combo.lineEdit()->clear();
    type(combo.lineEdit(), "udo");
    QTest::keyClick(combo.lineEdit(), Qt::Key_Return);
    QCOMPARE(combo.keyText(combo.selectedIndex()), "4713");
    combo.lineEdit()->clear();
    type(combo.lineEdit(), "4");
    QTest::keyClick(combo.lineEdit(), Qt::Key_Return);
    QCOMPARE(combo.selectedIndex(), -1);

    combo.lineEdit()->clear();
    type(combo.lineEdit(), "krause");
    QTest::keyClick(combo.dropDownView(), Qt::Key_Down);
    QTest::keyClick(combo.dropDownView(), Qt::Key_Return);
    QCOMPARE(combo.selectedIndex(), 3);
    QCOMPARE(combo.keyText(combo.selectedIndex()), "5001");
}

void TestControls::comboDropsChoiceWhenTextChanges()
{
    CtCombo combo;
    fillEmployees(combo);
    combo.resize(300, 25);
    combo.show();
    QVERIFY(QTest::qWaitForWindowExposed(&combo));

    type(combo.lineEdit(), "schulz");
    pickShownEntry(combo, 0);
    QCOMPARE(combo.selectedIndex(), 1);
    type(combo.lineEdit(), "xyz");
    QCOMPARE(combo.selectedIndex(), -1);
    QVERIFY(!combo.dropDownView()->isVisible());

    combo.lineEdit()->clear();
    type(combo.lineEdit(), "4711");
    pickShownEntry(combo, 0);
    QCOMPARE(combo.selectedIndex(), 0);
    combo.setEditText("");
    QCOMPARE(combo.selectedIndex(), -1);
    QCOMPARE(combo.editText(), "");

    type(combo.lineEdit(), "4711");
    pickShownEntry(combo, 0);
    combo.removeAllEntries();
    QCOMPARE(combo.selectedIndex(), -1);
    QCOMPARE(combo.editText(), "");
}

void TestControls::comboShowsAllEntriesOnF4()
{
    CtCombo combo;
    fillEmployees(combo);
    combo.resize(300, 25);
    combo.show();
    QVERIFY(QTest::qWaitForWindowExposed(&combo));

    QTest::keyClick(combo.lineEdit(), Qt::Key_F4);
    QCOMPARE(shownEntries(combo), QStringList({"4711", "4712", "4713", "5001"}));
    pickShownEntry(combo, 3);
    QCOMPARE(combo.selectedIndex(), 3);
}

void TestControls::comboFindsAmongThousands()
{
    CtCombo combo;
    combo.setColumns({30, 90}, LineFeed);
    combo.resize(300, 25);
    combo.show();
    QVERIFY(QTest::qWaitForWindowExposed(&combo));
    constexpr int Entries = 20000;
    for (int entry = 0; entry < Entries; ++entry) {
        combo.addEntry(QString::number(100000 + entry) + "\nName " + QString::number(entry));
        combo.setKeyText(entry, QString::number(100000 + entry));
    }
    QCOMPARE(combo.entryCount(), Entries);

    type(combo.lineEdit(), "name 12345");
    QCOMPARE(shownEntries(combo), QStringList{"112345"});
    pickShownEntry(combo, 0);
    QCOMPARE(combo.selectedIndex(), 12345);
    QCOMPARE(combo.keyText(combo.selectedIndex()), "112345");
}

QTEST_MAIN(TestControls)
#include "test_controls.moc"
