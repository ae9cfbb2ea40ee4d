#pragma once

// Many workstations polling one server while a time clock keeps adding
// bookings and some workstations assign them; afterwards every booking added
// must be listed or booked, none twice.

#include "connectiontarget.h"
#include "engineconfig.h"

#include <QStringList>
#include <QVector>

struct LoadSettings
{
    int workstations = 10;
    int assigningWorkstations = 2; // of those, the ones that also assign
    int pollIntervalMs = 1000;
    int bookingsPerSecond = 10;
    int seconds = 5;
};

struct LoadResult
{
    int bookingsAdded = 0;
    int stillListed = 0;
    int booked = 0;
    int lost = 0;         // added, but neither listed nor booked
    int bookedTwice = 0;  // more than one time booking for one booking
    int assignments = 0;  // assignments that went through, some of one booking at once
    QStringList errors;   // anything else that failed
    QVector<double> pollMilliseconds;
    double serverCpuSeconds = -1; // PostgreSQL only

    double pollPercentile(double fraction) const;
};

LoadResult runLoad(EngineKind kind, const ConnectionTarget &target, const LoadSettings &settings);
