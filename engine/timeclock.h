#pragma once

#include "rowinserter.h"

#include <QHash>
#include <QSet>
#include <QVector>
#include <QSqlQuery>
#include <QString>

class Session;

// What a branch time clock does with a card swipe.
//
// A swipe with a card that nobody in the company owns is kept as an unassigned
// booking whose text has the fixed layout of bookingtext.h.
namespace TimeClock {

constexpr int terminalWidth = 8;

constexpr int branchWidth = 4;

// The booking text of one swipe. The values must have passed bookCard's checks.
QString bookingText(const QString &terminal, const QString &kind, const QString &card,
                    const QString &time, const QString &branch = QString());

} // namespace TimeClock

struct CardBooking
{
    enum Kind { TimeBooking, UnassignedBooking };
    Kind kind;
    qint64 id;        // of the time booking or of the unassigned booking
    QString employee; // employee number of a time booking, else empty
};

// Books a swipe of the card at the company's terminal: as the owner's time
// booking when an employee of the company owns the card, else as an unassigned
// booking. kind is "K" or "G", time "yyyymmddhhmm", branch the clock's branch
// number (empty: the clock sends none). Bad input is refused with a
// CacheError before anything is written. Starts no transaction of its own, so
// that it can run inside the caller's.
CardBooking bookCard(Session &session, const QString &company, const QString &terminal,
                     const QString &kind, const QString &card, const QString &time,
                     const QString &branch = QString());

// One swipe of a time clock, with the values bookCard takes.
struct Swipe
{
    QString company;
    QString terminal;
    QString kind;
    QString card;
    QString time;
    QString branch;
};

// Why bookCard and SwipeBatch would refuse the swipe's values, or an empty
// text when they pass: for checking a whole file before any of it is booked.
QString swipeRefusal(const Swipe &swipe);

// What became of one swipe of a batch.
struct SwipeOutcome
{
    enum Kind { TimeBooking, UnassignedBooking, BookedBefore, Refused };
    Kind kind;
    QString refusal; // why a refused swipe's values are wrong
};

// Books many swipes, as bookCard books one, in the caller's transaction, except
// a swipe the company has booked already (same terminal, branch, kind, card
// and minute, as a time booking or an unassigned booking, or earlier in the
// same batch): so a file that comes twice books nothing twice. A hundred
// thousand swipes need the work per swipe kept small: the statements are
// prepared once, each company's cards read once, and the swipes booked before
// looked up many at a time. The cards must not change hands while it books.
class SwipeBatch
{
public:
    explicit SwipeBatch(Session &session);
    // One outcome per swipe, in order. A swipe with wrong values is refused and
    // the others are booked all the same; the caller decides whether to keep them.
    QVector<SwipeOutcome> book(const QVector<Swipe> &swipes);

private:
    const QHash<QString, QString> &cardHolders(const QString &company);
    // Of the texts, those the company has booked already.
    QSet<QString> bookedBefore(const QString &company, const QStringList &texts);

    Session &session_;
    QSqlQuery bookedAmong_;
    RowInserter timeBookings_;
    RowInserter unassignedBookings_;
    QHash<QString, QHash<QString, QString>> holders_; // company -> card -> employee
};
