#include "bookingrow.h"

#include <QDate>
#include <QTime>

namespace {

// Characters from..to of text, positions counted from 1; shorter when the text ends early.
QString characters(const QString &text, int from, int to)
{
    return text.mid(from - 1, to - from + 1);
}

// A number made of exactly the given count of digits; 0 (no year, month, day)
// or 99 (no hour, minute) stand for anything else, so the date or time is invalid.
int digits(const QString &text, int count, int invalid)
{
    if (text.size() != count)
        return invalid;
    for (QChar c : text)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return invalid;
    return text.toInt();
}

} // namespace

QString BookingRow::rowText() const
{
    return datum + QLatin1Char('\n') + zeit + QLatin1Char('\n') + karte;
}

BookingRow parseBooking(const QString &bookingText)
{
    BookingRow row;
    row.karte = characters(bookingText, 21, 30);
    const QDate date(digits(characters(bookingText, 31, 34), 4, 0), digits(characters(bookingText, 35, 36), 2, 0),
                     digits(characters(bookingText, 37, 38), 2, 0));
    const QTime time(digits(characters(bookingText, 39, 40), 2, 99), digits(characters(bookingText, 41, 42), 2, 99));
    // A booking with an unreadable date is still listed and can be assigned;
    // the server keeps the text as the time clock wrote it.
    row.valid = date.isValid() && time.isValid();
    row.datum = date.isValid() ? date.toString(QStringLiteral("yyyy-MM-dd")) : characters(bookingText, 31, 38);
    row.zeit = time.isValid() ? time.toString(QStringLiteral("hh:mm"))
                              : characters(bookingText, 39, 40) + QLatin1Char(':') + characters(bookingText, 41, 42);
    return row;
}
