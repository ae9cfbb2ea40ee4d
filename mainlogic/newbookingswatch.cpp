#include "mainlogic/newbookingswatch.h"

#include <algorithm>
#include <limits>

void NewBookingsWatch::listRead(qint64 newestId, std::optional<qint64> counter)
{
    newestListedId_ = newestId;
    listedCounter_ = counter;
    // A read that found bookings did what the notice asked: the next notice
    // may read at once. Only reads that find the list still empty (a booking
    // taken meanwhile, a forged notice) wait for the interval.
    if (newestId > 0)
        lastNoticeRead_.reset();
}

int NewBookingsWatch::nextRead(bool listEmpty, bool busy, qint64 now)
{
    // Anyone can send a notice: what it says decides only whether to look,
    // and the hint, until the next read shows what is there.
    if (pending_ && pending_->newestId > newestListedId_) {
        latest_ = *pending_;
        readWanted_ = true;
    }
    pending_.reset();
    if (!readWanted_ || !listEmpty) {
        readWanted_ = false;
        return -1;
    }
    if (busy)
        return readIntervalMs;
    const int wait = lastNoticeRead_
                         ? int(std::clamp<qint64>(*lastNoticeRead_ + readIntervalMs - now, 0, readIntervalMs))
                         : 0;
    if (wait == 0) {
        readWanted_ = false;
        lastNoticeRead_ = now;
    }
    return wait;
}

int NewBookingsWatch::hint() const
{
    if (!listedCounter_ || latest_.newestId <= newestListedId_)
        return 0;
    return int(std::clamp<qint64>(latest_.counter - *listedCounter_, 0, std::numeric_limits<int>::max()));
}
