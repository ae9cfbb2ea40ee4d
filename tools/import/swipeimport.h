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
// swipe is the holder's time booking, any other an unassigned booking. The
// file goes in whole or not at all; a swipe booked before (same company,
// terminal, kind, card and minute) is not booked again, so a file read twice
// books nothing twice.
struct SwipeReport
{
    QString encoding;
    int swipes = 0;
    int timeBookings = 0;
    int unassigned = 0;
    int bookedBefore = 0;
    QStringList errors; // "Zeile n: …"; any error means nothing was booked
};

SwipeReport importSwipes(Session &session, const QString &path, const QString &company);
