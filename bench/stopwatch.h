#pragma once

#include <QVector>
#include <functional>

// How often a benchmark runs: warm-up runs first, which are not counted.
struct Runs
{
    int warmUps = 1;
    int counted = 5;

    int total() const { return warmUps + counted; }
    bool isCounted(int run) const { return run >= warmUps; }
};

// The wall times of repeated runs of one piece of work.
class Samples
{
public:
    // Runs work once; its time is kept when the run counts.
    void time(const std::function<void()> &work, bool counted);
    double medianMs() const;
    // The time that this share of the runs, in percent, did not exceed.
    double percentileMs(int percent) const;

private:
    QVector<double> timesMs_;
};

// The median wall time of work in milliseconds. prepare runs before each run, untimed.
double medianMs(const Runs &runs, const std::function<void()> &work,
                const std::function<void()> &prepare = {});
