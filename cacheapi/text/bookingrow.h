#pragma once

#include <QString>

// One unassigned booking as the program shows it, read from the booking text
// (layout in bookingtext.h). A line feed or tab in the text is shown as its
// control picture (␊, ␉), so that no stored character can shift the list's columns.
struct BookingRow
{
    QString datum; // "yyyy-mm-dd", or the raw characters 31-38 when they are no date
    QString zeit;  // "hh:mm", or the raw characters when they are no time of day
    QString
        karte; // characters 21-30 as they stand, blanks included; control characters made visible
    QString storedCard; // characters 21-30 exactly as stored, for assigning the card
    QString zeitpunkt;  // "dd.mm.yyyy hh:mm"; empty when date or time is unreadable
    QString terminal;   // the terminal name without its padding
    QString art;        // "Kommen", "Gehen", "Code X" for a clock's own kinds; empty when blank
    QString filiale;    // the clock's branch number; empty when the clock sent none
    bool valid = true;  // date and time were readable

    // The list row: date, time and card joined by line feeds.
    QString rowText() const;
};

BookingRow parseBooking(const QString &bookingText);

// Whether date and time of the booking are readable; cheaper than parsing the
// whole row, for the refresh, which asks it of every booking.
bool hasReadableTime(const QString &bookingText);
