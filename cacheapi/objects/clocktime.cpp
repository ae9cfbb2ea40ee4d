#include "cacheapi/objects/clocktime.h"

#include <QDate>
#include <QTime>

namespace {

// The number that count digits at from make, or -1 when any is no digit.
int number(QStringView text, qsizetype from, qsizetype count)
{
    int value = 0;
    for (const QChar c : text.mid(from, count)) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return -1;
        value = value * 10 + (c.unicode() - '0');
    }
    return value;
}

// A year written with digits only is never before year 1.
bool isDayAndTime(int year, int month, int day, int hour, int minute, int second)
{
    return year > 0 && QDate::isValid(year, month, day) && QTime::isValid(hour, minute, second);
}

} // namespace

bool isValidClockTime(QStringView time)
{
    return time.size() == 12 &&
           isDayAndTime(number(time, 0, 4), number(time, 4, 2), number(time, 6, 2),
                        number(time, 8, 2), number(time, 10, 2), 0);
}

ClockReading readClockTime(QStringView time)
{
    if (time.size() != 12 && time.size() != 14)
        return {};
    const int year = number(time, 0, 4), month = number(time, 4, 2), day = number(time, 6, 2);
    const int hour = number(time, 8, 2), minute = number(time, 10, 2);
    const int second = time.size() == 14 ? number(time, 12, 2) : 0;
    if (!isDayAndTime(year, month, day, hour, minute, second))
        return {};
    return {QDate(year, month, day), QTime(hour, minute, second)};
}

QString clockTimeOf(QStringView day, QStringView timeOfDay)
{
    day = day.trimmed();
    timeOfDay = timeOfDay.trimmed();
    int year = -1, month = -1, dayOfMonth = -1;
    if (day.size() == 10 && day.at(2) == QLatin1Char('.') && day.at(5) == QLatin1Char('.')) {
        dayOfMonth = number(day, 0, 2);
        month = number(day, 3, 2);
        year = number(day, 6, 4);
    } else if (day.size() == 10 && day.at(4) == QLatin1Char('-') && day.at(7) == QLatin1Char('-')) {
        year = number(day, 0, 4);
        month = number(day, 5, 2);
        dayOfMonth = number(day, 8, 2);
    }
    const bool withSeconds = timeOfDay.size() == 8 && timeOfDay.at(5) == QLatin1Char(':');
    if ((timeOfDay.size() != 5 && !withSeconds) || timeOfDay.at(2) != QLatin1Char(':'))
        return QString();
    const int hour = number(timeOfDay, 0, 2);
    const int minute = number(timeOfDay, 3, 2);
    const int second = withSeconds ? number(timeOfDay, 6, 2) : 0;
    if (!isDayAndTime(year, month, dayOfMonth, hour, minute, second))
        return QString();
    return QString::asprintf("%04d%02d%02d%02d%02d", year, month, dayOfMonth, hour, minute);
}
