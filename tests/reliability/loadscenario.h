#pragma once

// Many workstations on one server, each asking it what the program asks and
// as often, while a time clock keeps adding bookings and users at some of the
// workstations assign them; afterwards every booking added must be listed or
// booked, none twice.

#include "cacheapi/objects/connectiontarget.h"
#include "engine/engineconfig.h"

#include <QStringList>
#include <QVector>

struct LoadSettings
{
    int workstations = 10;
    int assigningWorkstations = 2; // of those, the ones where a user assigns
    int pollIntervalMs = 1000;     // reading the list while it is empty; a user's pace
    int newBookingsCheckMs = 10000; // asking for new bookings while rows are listed
    bool push = false;              // the workstations listen for new bookings
    int bookingsPerSecond = 10;
    // Workstations of a second company besides those, whose clock books a
    // swipe every interval and whose users all assign at once: their lists
    // wait empty most of the time, as a quiet branch's do.
    int quietWorkstations = 0;
    int quietBookingIntervalMs = 2000;
    int seconds = 5;
};

struct LoadResult
{
    int bookingsAdded = 0;      // by the busy company's clock
    int quietBookingsAdded = 0; // by the quiet company's
    int stillListed = 0;
    int booked = 0;
    int lost = 0;         // added, but neither listed nor booked
    int bookedTwice = 0;  // more than one time booking for one booking
    int assignments = 0;  // assignments that went through, some of one booking at once
    int notices = 0;      // new bookings the server told a workstation of
    QStringList errors;   // anything else that failed
    QVector<double> pollMilliseconds;  // reading the list
    QVector<double> checkMilliseconds; // asking for new bookings
    // Of the quiet company's lists: from a notice to the list it made an empty
    // list read, and from a booking's commit to an empty list showing it.
    QVector<double> noticeToScreenMilliseconds;
    QVector<double> arrivalMilliseconds;
    double serverCpuSeconds = -1; // PostgreSQL only
    qint64 serverMemoryKib = -1;  // PostgreSQL only, with every workstation connected

    static double percentile(QVector<double> milliseconds, double fraction);
    double pollPercentile(double fraction) const { return percentile(pollMilliseconds, fraction); }
};

LoadResult runLoad(EngineKind kind, const ConnectionTarget &target, const LoadSettings &settings);
