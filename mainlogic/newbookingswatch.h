#pragma once

#include "cacheapi/objects/cacheobjects.h"

#include <optional>

// What the list of unassigned bookings does as the server tells of new ones:
// when a notice reads the list, and the count of the hint "N neue Buchungen"
// that a notice shows without asking the server. Times are milliseconds of one
// steady clock, given by the caller.
class NewBookingsWatch
{
public:
    // Reads that notices start and that find the list empty: at most one this often.
    static constexpr int readIntervalMs = 50;

    // The list was read: its newest id (0: it is empty) and the company's
    // count of new bookings with it (none where the server does not tell).
    void listRead(qint64 newestId, std::optional<qint64> counter);

    // A notice came: whether it asks to read the list, which only an empty
    // list does, and only for a booking newer than the list.
    bool readsList(const NewBookingsNotice &notice, bool listEmpty);
    // How long that read waits: a notice's read that found the list still
    // empty a moment ago holds the next one back for the interval.
    int readDelay(qint64 now) const;
    // A notice's read of the list starts now.
    void noticeReadStarts(qint64 now) { lastNoticeRead_ = now; }

    // How many new bookings the latest notice tells of beyond the list (0: no hint).
    int hint() const;

private:
    qint64 newestListedId_ = 0;
    std::optional<qint64> listedCounter_;
    NewBookingsNotice latest_;
    std::optional<qint64> lastNoticeRead_;
};
