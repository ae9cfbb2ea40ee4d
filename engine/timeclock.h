#pragma once

#include <QString>
#include <optional>

class Session;

// What a branch time clock does with a card swipe.
//
// A swipe with a card that nobody in the company owns is kept as an unassigned
// booking whose text has a fixed layout (positions counted from 1):
//
//    1-8   terminal name, left-aligned, padded with blanks
//    9     blank
//   10     booking kind: "K" (Kommen) or "G" (Gehen)
//   11-20  blanks
//   21-30  card number, right-aligned (blanks inside the number are kept)
//   31-42  time "yyyymmddhhmm"
//
// The card assignment reads the card and the time back from positions 21-42.
namespace TimeClock {

constexpr int terminalWidth = 8;

// The booking text of one swipe. The values must have passed bookCard's checks.
QString bookingText(const QString &terminal, const QString &kind, const QString &card,
                    const QString &time);

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
// booking. kind is "K" or "G", time "yyyymmddhhmm". Bad input is refused with a
// CacheError before anything is written. Starts no transaction of its own, so
// that it can run inside the caller's.
CardBooking bookCard(Session &session, const QString &company, const QString &terminal,
                     const QString &kind, const QString &card, const QString &time);

// As bookCard, unless the company has this very swipe (same terminal, kind,
// card and minute) already, as a time booking or an unassigned booking: then
// nothing is booked and the answer is empty. For files that may come twice.
std::optional<CardBooking> bookCardOnce(Session &session, const QString &company, const QString &terminal,
                                        const QString &kind, const QString &card, const QString &time);
