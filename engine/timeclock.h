#pragma once

#include "engine/engineconfig.h"

#include <QHash>
#include <QSqlQuery>
#include <QString>
#include <QVariantList>
#include <QVector>
#include <functional>

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
    enum Kind { TimeBooking, UnassignedBooking, BookedBefore };
    Kind kind;
    qint64 id;        // of the swipe; 0 when it was booked before
    QString employee; // employee number of a time booking, else empty
};

// Books a swipe of the card at the company's terminal: as the holder's time
// booking when an employee of the company holds the card, else as an
// unassigned booking; a swipe stored before (same company, terminal, kind,
// card and minute) is not stored again. kind is "K" or "G", time
// "yyyymmddhhmm", branch the clock's branch number (empty: the clock sends
// none). Bad input is refused with a CacheError before anything is written.
// Starts no transaction of its own, so that it can run inside the caller's.
CardBooking bookCard(Session &session, const QString &company, const QString &terminal,
                     const QString &kind, const QString &card, const QString &time,
                     const QString &branch = QString());

// Tells the workstations now of the unassigned bookings whose notice still
// waits (the server tells of new ones at most once an interval per company).
// A writer calls it after its last commit, so that the last swipes of its
// work do not wait for the next writer's. Does nothing where the server does
// not tell of new bookings.
void tellOfPendingBookings(Session &session);

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
    QString refusal;  // why a refused swipe's values are wrong
    qint64 id = 0;    // the stored swipe's id
    QString employee; // who a time booking went to
};

// Swipes made ready to be stored: checked, as booking texts, in the order
// they are stored. Making them needs no database, so an importer makes the
// next lot while the database stores the one before.
struct PreparedSwipes
{
    struct Row
    {
        qsizetype index; // of the swipe in the batch
        QString company;
        QString card;
        QString text;
    };
    // The rows one statement stores; on PostgreSQL with their columns already
    // as the statement's array parameters (company, card, booking text, position).
    struct Statement
    {
        qsizetype first;
        qsizetype count;
        QVariantList arrays;
    };
    QVector<SwipeOutcome> outcomes; // the refused ones final, the others to be stored
    QVector<Row> rows;              // the swipes to store, in their order
    QVector<Statement> statements;
};
PreparedSwipes prepareSwipes(const QVector<Swipe> &swipes, EngineKind kind);

// How many swipes of a batch became what.
struct SwipeCounts
{
    int timeBookings = 0;
    int unassigned = 0;
    int bookedBefore = 0;
};

// Books many swipes, as bookCard books one, in the caller's transaction. Each
// swipe is stored once: the database's unique identity of a swipe, not a
// look beforehand, tells a swipe stored before (by this batch, an earlier
// file, or another process at the same moment) and leaves it as it is. A
// swipe goes to whoever holds its card as it is stored; on PostgreSQL the
// cards' rows are locked meanwhile, so that an assignment or a correction of
// the card waits for the batch and then finds its swipes.
class SwipeBatch
{
public:
    explicit SwipeBatch(Session &session);
    // One outcome per swipe, in order. A swipe with wrong values is refused and
    // the others are booked all the same; the caller decides whether to keep them.
    QVector<SwipeOutcome> book(const QVector<Swipe> &swipes);
    // As book(), for a caller that needs only how many swipes became what: the
    // database answers one value per stored swipe instead of four. Refused
    // swipes are not counted.
    SwipeCounts count(const PreparedSwipes &prepared);

private:
    using Row = PreparedSwipes::Row;
    // Stores the rows, a statement per few thousand, each with the cards it
    // reads locked; calls back with the columns `answer` names of each stored row.
    void store(const PreparedSwipes &prepared, const QString &answer,
               const std::function<void(const QVariantList &answered)> &stored);
    // SQLite's statements, prepared once a batch.
    QSqlQuery &sqliteStatement(const QString &sql);

    Session &session_;
    QHash<QString, QSqlQuery> statements_; // by their text
};
