#pragma once

#include <QDate>
#include <QString>
#include <QStringView>
#include <QTime>

// A time clock's time of a swipe: "yyyymmddhhmm", wall-clock time.

// Whether the text is such a time. Date and time of day are checked on their
// own: a local time that daylight saving skips is still a valid swipe.
bool isValidClockTime(QStringView time);

// The clock time of a day written TT.MM.JJJJ or JJJJ-MM-TT and a time of day
// HH:MM or HH:MM:SS (the seconds are dropped); empty when either is none.
// Read by hand: a file of a hundred thousand swipes reads two of them a line.
QString clockTimeOf(QStringView day, QStringView timeOfDay);

// A clock time, or a moment "yyyymmddhhmmss" as the assignment log keeps it,
// read into its day and its time of day, each on its own and never through a
// time zone: a time that daylight saving skips or repeats reads as written.
struct ClockReading
{
    QDate day;
    QTime timeOfDay;

    bool isValid() const { return day.isValid() && timeOfDay.isValid(); }
};

// Both parts invalid when the text is no such time.
ClockReading readClockTime(QStringView time);
