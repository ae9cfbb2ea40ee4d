#include "bookingrow.h"

#include <QDate>
#include <QStringBuilder>
#include <QTime>

namespace {

// Characters from..to of text, positions counted from 1; shorter when the text ends early.
// A view, because a refresh reads a hundred thousand texts.
QStringView characters(const QString &text, int from, int to)
{
    return QStringView(text).mid(from - 1, to - from + 1);
}

// A number made of exactly the given count of digits; 0 (no year, month, day)
// or 99 (no hour, minute) stand for anything else, so the date or time is invalid.
int digits(QStringView text, int count, int invalid)
{
    if (text.size() != count)
        return invalid;
    int number = 0;
    for (QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return invalid;
        number = number * 10 + (c.unicode() - '0');
    }
    return number;
}

// The text with control characters replaced by their pictures (U+2400 ff.);
// an ordinary text is handed back without a copy.
QString visible(QString text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (c < 0x20 || c == 0x7F)
            text[i] = QChar(c == 0x7F ? char16_t(0x2421) : char16_t(0x2400 + c));
    }
    return text;
}

} // namespace

QString BookingRow::rowText() const
{
    // Built in one go: a refresh makes a hundred thousand of them.
    return datum % QLatin1Char('\n') % zeit % QLatin1Char('\n') % karte;
}

BookingRow parseBooking(const QString &bookingText)
{
    const QStringView year = characters(bookingText, 31, 34);
    const QStringView month = characters(bookingText, 35, 36);
    const QStringView day = characters(bookingText, 37, 38);
    const QStringView hour = characters(bookingText, 39, 40);
    const QStringView minute = characters(bookingText, 41, 42);
    const QDate date(digits(year, 4, 0), digits(month, 2, 0), digits(day, 2, 0));
    const QTime time(digits(hour, 2, 99), digits(minute, 2, 99));

    BookingRow row;
    row.storedCard = characters(bookingText, 21, 30).toString();
    row.karte = visible(row.storedCard);
    // A valid date or time reads as its own digits, so they are shown as they stand;
    // an unreadable date is shown raw, and so is a time either way.
    row.datum = date.isValid() ? QString(year % QLatin1Char('-') % month % QLatin1Char('-') % day)
                               : visible(characters(bookingText, 31, 38).toString());
    row.zeit = visible(QString(hour % QLatin1Char(':') % minute));
    // A booking with an unreadable date is still listed and can be assigned;
    // the server keeps the text as the time clock wrote it.
    row.valid = date.isValid() && time.isValid();
    return row;
}
