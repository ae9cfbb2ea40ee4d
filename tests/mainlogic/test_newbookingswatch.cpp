// When the server's notices read the list of unassigned bookings, and what
// they hint, without a window: each case is a sequence of reads and notices.

#include "mainlogic/newbookingswatch.h"

#include <QTest>

namespace {

// One step: a read of the list (newest id, counter), or a notice looked at
// (newest id, counter) at a time, with the read it should start and the hint after it.
struct Step
{
    enum Kind { Read, Notice } kind;
    qint64 newestId;
    std::optional<qint64> counter;
    qint64 at = 0;
    bool listEmpty = true;
    bool busy = false;
    int expectedRead = -1;
    int expectedHint = 0;
};

} // namespace

Q_DECLARE_METATYPE(QVector<Step>)

class TestNewBookingsWatch : public QObject
{
    Q_OBJECT

private slots:
    void notices_data()
    {
        QTest::addColumn<QVector<Step>>("steps");
        using S = Step;
        QTest::newRow("a notice reads an empty list at once")
            << QVector<S>{{S::Read, 0, 10}, {S::Notice, 7, 11, 100, true, false, 0, 1}};
        QTest::newRow("an old or forged notice reads nothing and hints nothing")
            << QVector<S>{{S::Read, 9, 10}, {S::Notice, 9, 500, 100, false, false, -1, 0},
                          {S::Notice, 3, 500, 100, false, false, -1, 0}};
        QTest::newRow("a read that found the list empty holds the next one for the interval")
            << QVector<S>{{S::Read, 0, 10},
                          {S::Notice, 7, 11, 100, true, false, 0, 1},
                          {S::Read, 0, 11},
                          {S::Notice, 8, 12, 120, true, false, 30, 1},
                          {S::Notice, 8, 12, 150, true, false, 0, 1}};
        QTest::newRow("a read that found bookings lets the next notice read at once")
            << QVector<S>{{S::Read, 0, 10},
                          {S::Notice, 7, 11, 100, true, false, 0, 1},
                          {S::Read, 7, 11},
                          {S::Read, 0, 11},
                          {S::Notice, 8, 12, 110, true, false, 0, 1}};
        QTest::newRow("a busy window reads later, once the access is over")
            << QVector<S>{{S::Read, 0, 10}, {S::Notice, 7, 11, 100, true, true, 50, 1},
                          {S::Notice, 7, 11, 150, true, false, 0, 1}};
        QTest::newRow("listed rows: a notice is the hint of how many arrived")
            << QVector<S>{{S::Read, 40, 100}, {S::Notice, 45, 103, 100, false, false, -1, 3},
                          {S::Read, 45, 103}};
        QTest::newRow("a server without a counter: no hint")
            << QVector<S>{{S::Read, 40, std::nullopt}, {S::Notice, 45, 103, 100, false, false, -1, 0}};
        QTest::newRow("a counter that went backwards (a restore): no hint")
            << QVector<S>{{S::Read, 40, 100}, {S::Notice, 45, 90, 100, false, false, -1, 0}};
    }

    void notices()
    {
        QFETCH(QVector<Step>, steps);
        NewBookingsWatch watch;
        for (int i = 0; i < steps.size(); ++i) {
            const Step &step = steps.at(i);
            if (step.kind == Step::Read) {
                watch.listRead(step.newestId, step.counter);
                QCOMPARE(watch.hint(), 0);
                continue;
            }
            watch.noticeCame({step.counter.value_or(0), step.newestId});
            QCOMPARE(watch.nextRead(step.listEmpty, step.busy, step.at), step.expectedRead);
            QCOMPARE(watch.hint(), step.expectedHint);
        }
    }
};

QTEST_APPLESS_MAIN(TestNewBookingsWatch)
#include "test_newbookingswatch.moc"
