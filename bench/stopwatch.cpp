#include "bench/stopwatch.h"

#include <QElapsedTimer>
#include <algorithm>
#include <cmath>

void Samples::time(const std::function<void()> &work, bool counted)
{
    QElapsedTimer timer;
    timer.start();
    work();
    if (counted)
        timesMs_.append(double(timer.nsecsElapsed()) / 1e6);
}

double Samples::medianMs() const
{
    QVector<double> sorted = timesMs_;
    std::sort(sorted.begin(), sorted.end());
    const qsizetype middle = sorted.size() / 2;
    return sorted.size() % 2 ? sorted[middle] : (sorted[middle - 1] + sorted[middle]) / 2;
}

double Samples::percentileMs(int percent) const
{
    QVector<double> sorted = timesMs_;
    std::sort(sorted.begin(), sorted.end());
    const auto rank = qsizetype(std::ceil(sorted.size() * percent / 100.0));
    return sorted[std::max<qsizetype>(rank, 1) - 1];
}

double medianMs(const Runs &runs, const std::function<void()> &work,
                const std::function<void()> &prepare)
{
    Samples samples;
    for (int run = 0; run < runs.total(); ++run) {
        if (prepare)
            prepare();
        samples.time(work, runs.isCounted(run));
    }
    return samples.medianMs();
}
