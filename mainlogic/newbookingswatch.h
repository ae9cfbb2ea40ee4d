#pragma once

#include "cacheapi/objects/cacheobjects.h"

#include <optional>

// What the list of unassigned bookings does as the server tells of new ones:
// when the notices read the list, and the count of the hint "N neue Buchungen"
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

    // A notice came. It may come inside an access: it is only noted, and
    // looked at by the next nextRead, with any that came after it.
    void noticeCame(const NewBookingsNotice &notice) { pending_ = notice; }
    // Looks at the notices that came: whether they read the list, which only an
    // empty list does, and only for a booking newer than the list. -1: no
    // read; 0: read now (it counts as started); else ask again in that many ms.
    // busy: a refresh or another access runs, which a read may not interrupt.
    int nextRead(bool listEmpty, bool busy, qint64 now);

    // How many new bookings the latest notice tells of beyond the list (0: no hint).
    int hint() const;

private:
    qint64 newestListedId_ = 0;
    std::optional<qint64> listedCounter_;
    NewBookingsNotice latest_;
    std::optional<NewBookingsNotice> pending_;
    bool readWanted_ = false;
    std::optional<qint64> lastNoticeRead_;
};
