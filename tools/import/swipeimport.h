#pragma once

#include <QString>
#include <QStringList>

class Session;

// A time clock's file of swipes, as CSV with a header row:
//
//   [Firma;] [Filiale;] Terminal; Karte; Art; Datum; Uhrzeit
//
// Art is K (Kommen) or G (Gehen), Datum TT.MM.JJJJ or JJJJ-MM-TT, Uhrzeit HH:MM
// (seconds are ignored). Without a Firma column every swipe is the given
// company's. Each swipe is booked as a time clock books it: a known card's
// swipe is the holder's time booking, any other an unassigned booking.
//
// The file is read twice, one record at a time, so that its size costs no
// memory: first every line is checked, and a file with any wrong line books
// nothing; then the swipes are booked a few thousand at a time, each lot in a
// short transaction of its own, so that the workstations saving meanwhile
// wait a moment at most (on PostgreSQL the next lot is read meanwhile). A
// swipe booked before (same company, terminal, kind, card and minute) is not
// booked again: a file read twice books nothing twice, and an import broken
// off halfway is finished by reading the file again.
struct SwipeReport
{
    QString encoding;
    int swipes = 0;
    int timeBookings = 0;
    int unassigned = 0;
    int bookedBefore = 0;
    // "Zeile n: …", the first hundred; any error of the check means nothing was booked.
    QStringList errors;
    int unlistedErrors = 0; // lines with errors beyond those listed
};

// Reads the file's first `length` bytes, or all of it when length is negative.
// Throws CacheError when the database fails; the lots booked until then stay.
SwipeReport importSwipes(Session &session, const QString &path, const QString &company,
                         qint64 length = -1);

// The errors of a report as lines to show, with a last one for those not listed.
QStringList swipeErrorLines(const SwipeReport &report);
