#include "tools/import/readahead.h"

ReadAhead::ReadAhead(ReadLot readLot) : readLot_(std::move(readLot)), thread_([this] { run(); }) {}

ReadAhead::~ReadAhead()
{
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void ReadAhead::request(int swipes)
{
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        requested_ = swipes;
    }
    changed_.notify_all();
}

SwipeLot ReadAhead::take()
{
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return ready_ || failure_; });
    if (failure_)
        std::rethrow_exception(failure_);
    SwipeLot lot = std::move(*ready_);
    ready_.reset();
    return lot;
}

void ReadAhead::run()
{
    for (;;) {
        int swipes = 0;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            changed_.wait(lock, [this] { return stopping_ || requested_; });
            if (stopping_)
                return;
            swipes = *requested_;
            requested_.reset();
        }
        SwipeLot lot;
        std::exception_ptr failure;
        try {
            readLot_(swipes, lot);
        } catch (...) {
            failure = std::current_exception();
        }
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            if (failure)
                failure_ = failure;
            else
                ready_ = std::move(lot);
        }
        changed_.notify_all();
    }
}
