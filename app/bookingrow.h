#pragma once

#include <QString>

// One unassigned booking as the list shows it, read from the booking text:
// characters 21-30 the card, 31-42 the time as yyyymmddhhmm. A line feed or
// tab in the text is shown as its control picture (␊, ␉), so that no stored
// character can shift the list's columns.
struct BookingRow
{
    QString datum; // "yyyy-mm-dd", or the raw characters 31-38 when they are no date
    QString zeit;  // "hh:mm", or the raw characters when they are no time of day
    QString karte; // characters 21-30 as they stand, blanks included; control characters made visible
    QString storedCard; // characters 21-30 exactly as stored, for assigning the card
    bool valid = true; // date and time were readable

    // The list row: date, time and card joined by line feeds.
    QString rowText() const;
};

BookingRow parseBooking(const QString &bookingText);
