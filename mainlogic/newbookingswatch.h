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

    // The list was read: its rows, its newest id (0: none) and the company's
    // count of new bookings with them (none where the server does not tell).
    void listRead(int rows, qint64 newestId, std::optional<qint64> counter);
    // A row was taken off the list.
    void rowsLeft(int rows);

    // What a notice asks for.
    enum class Step {
        Nothing,      // not newer than what is known, or only the hint changed
        ReadList,     // the list is empty: read it now
        ReadListLater // the list is empty, but a notice read it a moment ago: in readDelay()
    };
    Step noticed(const NewBookingsNotice &notice, qint64 now);
    // How long a ReadListLater waits.
    int readDelay(qint64 now) const;
    // A notice's read of the list starts now.
    void noticeReadStarts(qint64 now) { lastNoticeRead_ = now; }

    // How many new bookings the latest notice tells of beyond the list (0: no hint).
    int hint() const;

private:
    int rows_ = 0;
    qint64 newestListedId_ = 0;
    std::optional<qint64> listedCounter_;
    NewBookingsNotice latest_;
    std::optional<qint64> lastNoticeRead_;
};
