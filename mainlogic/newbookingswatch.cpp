#include "mainlogic/newbookingswatch.h"

#include <algorithm>
#include <limits>

void NewBookingsWatch::listRead(int rows, qint64 newestId, std::optional<qint64> counter)
{
    rows_ = rows;
    newestListedId_ = newestId;
    listedCounter_ = counter;
    // A read that found bookings did what the notice asked: the next notice
    // may read at once. Only reads that find the list still empty (a booking
    // taken meanwhile, a forged notice) wait for the interval.
    if (rows > 0)
        lastNoticeRead_.reset();
}

void NewBookingsWatch::rowsLeft(int rows)
{
    rows_ = rows;
}

NewBookingsWatch::Step NewBookingsWatch::noticed(const NewBookingsNotice &notice, qint64 now)
{
    // Anyone can send a notice: what it says decides only whether to look,
    // and the hint, until the next read shows what is there.
    if (notice.newestId <= newestListedId_)
        return Step::Nothing;
    latest_ = notice;
    if (rows_ > 0)
        return Step::Nothing;
    return readDelay(now) > 0 ? Step::ReadListLater : Step::ReadList;
}

int NewBookingsWatch::readDelay(qint64 now) const
{
    if (!lastNoticeRead_)
        return 0;
    return int(std::clamp<qint64>(*lastNoticeRead_ + readIntervalMs - now, 0, readIntervalMs));
}

int NewBookingsWatch::hint() const
{
    if (rows_ == 0 || !listedCounter_ || latest_.newestId <= newestListedId_)
        return 0;
    return int(std::clamp<qint64>(latest_.counter - *listedCounter_, 0, std::numeric_limits<int>::max()));
}
