#pragma once

#include <QString>
#include <optional>

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

// As bookCard, unless the company has this very swipe (same terminal, branch,
// kind, card and minute) already, as a time booking or an unassigned booking:
// then nothing is booked and the answer is empty. For files that may come twice.
std::optional<CardBooking> bookCardOnce(Session &session, const QString &company, const QString &terminal,
                                        const QString &kind, const QString &card, const QString &time,
                                        const QString &branch = QString());
