#pragma once

#include "engine/timeclock.h"

#include <QString>
#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

// A lot of a swipe file, read and made ready to store.
struct SwipeLot
{
    PreparedSwipes swipes;
    bool last = false; // the file ends with it
    // What the file showed that it did not before; nothing of the lot is to be stored.
    QString problem;
};

// Reads the next lot on a thread of its own while the caller stores the one
// before: the client's reading and the server's storing overlap. The database
// stays with the caller's thread. One lot is read at a time, only when asked
// for, so memory stays bounded by the lot being stored and the one being read.
class ReadAhead
{
public:
    // Fills the lot with at most so many swipes; runs on the reading thread.
    using ReadLot = std::function<void(int swipes, SwipeLot &lot)>;

    explicit ReadAhead(ReadLot readLot);
    // Waits for a lot being read and lets the thread end.
    ~ReadAhead();
    ReadAhead(const ReadAhead &) = delete;
    ReadAhead &operator=(const ReadAhead &) = delete;

    // Starts reading the next lot of at most so many swipes.
    void request(int swipes);
    // The lot requested, once it is read; rethrows what reading it threw.
    SwipeLot take();

private:
    void run();

    ReadLot readLot_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::optional<int> requested_;
    std::optional<SwipeLot> ready_;
    std::exception_ptr failure_;
    bool stopping_ = false;
    std::thread thread_;
};
