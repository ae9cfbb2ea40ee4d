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

bool NewBookingsWatch::readsList(const NewBookingsNotice &notice, bool listEmpty)
{
    // Anyone can send a notice: what it says decides only whether to look,
    // and the hint, until the next read shows what is there.
    if (notice.newestId <= newestListedId_)
        return false;
    latest_ = notice;
    return listEmpty;
}

int NewBookingsWatch::readDelay(qint64 now) const
{
    if (!lastNoticeRead_)
        return 0;
    return int(std::clamp<qint64>(*lastNoticeRead_ + readIntervalMs - now, 0, readIntervalMs));
}

int NewBookingsWatch::hint() const
{
    if (!listedCounter_ || latest_.newestId <= newestListedId_)
        return 0;
    return int(std::clamp<qint64>(latest_.counter - *listedCounter_, 0, std::numeric_limits<int>::max()));
}
