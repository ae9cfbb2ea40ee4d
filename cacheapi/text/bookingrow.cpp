#include "cacheapi/text/bookingrow.h"

#include "cacheapi/objects/bookingtext.h"

#include <QDate>
#include <QStringBuilder>
#include <QTime>

namespace {

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

int number(const QString &text, BookingText::Field field, int invalid)
{
    return digits(BookingText::field(text, field), field.width(), invalid);
}

QDate bookingDate(const QString &text)
{
    return QDate(number(text, BookingText::year, 0), number(text, BookingText::month, 0),
                 number(text, BookingText::day, 0));
}

QTime bookingTime(const QString &text)
{
    return QTime(number(text, BookingText::hour, 99), number(text, BookingText::minute, 99));
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

QString visibleField(const QString &text, BookingText::Field field)
{
    return visible(BookingText::field(text, field).toString());
}

// A clock's own code is shown as such; a blank kind as nothing.
QString kindName(const QString &kind)
{
    const QString name = BookingText::kindName(kind);
    if (!name.isEmpty() || kind.trimmed().isEmpty())
        return name;
    return QStringLiteral("Code ") + kind;
}

} // namespace

QString BookingRow::rowText() const
{
    // Built in one go: a refresh makes a hundred thousand of them.
    return datum % QLatin1Char('\n') % zeit % QLatin1Char('\n') % karte;
}

BookingRow parseBooking(const QString &bookingText)
{
    using namespace BookingText;
    const QDate date = bookingDate(bookingText);
    const QTime time = bookingTime(bookingText);

    BookingRow row;
    row.storedCard = field(bookingText, card).toString();
    row.karte = visible(row.storedCard);
    // A valid date or time reads as its own digits, so they are shown as they stand;
    // an unreadable date is shown raw, and so is a time either way.
    row.datum = date.isValid() ? QString(field(bookingText, year) % QLatin1Char('-') %
                                         field(bookingText, month) % QLatin1Char('-') %
                                         field(bookingText, day))
                               : visibleField(bookingText, BookingText::date);
    row.zeit =
        visible(QString(field(bookingText, hour) % QLatin1Char(':') % field(bookingText, minute)));
    // A booking with an unreadable date is still listed and can be assigned;
    // the server keeps the text as the time clock wrote it.
    row.valid = date.isValid() && time.isValid();
    if (row.valid)
        row.zeitpunkt = date.toString(QStringLiteral("dd.MM.yyyy")) + QLatin1Char(' ') +
                        time.toString(QStringLiteral("HH:mm"));
    row.terminal = visibleField(bookingText, terminal).trimmed();
    row.art = kindName(visibleField(bookingText, kind));
    row.filiale = visibleField(bookingText, branch).trimmed();
    return row;
}

bool hasReadableTime(const QString &bookingText)
{
    // Read in one pass without making a QDate: a refresh asks this of every listed booking.
    const QStringView stamp = BookingText::field(bookingText, BookingText::time);
    if (stamp.size() != BookingText::time.width())
        return false;
    for (QChar c : stamp)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    const auto twoDigits = [stamp](int at) { return (stamp[at].unicode() - '0') * 10 + stamp[at + 1].unicode() - '0'; };
    return QDate::isValid(twoDigits(0) * 100 + twoDigits(2), twoDigits(4), twoDigits(6)) && twoDigits(8) < 24 &&
           twoDigits(10) < 60;
}
