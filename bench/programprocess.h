#pragma once

#include <QProcess>

// The program karven in a process of its own, offscreen, so that its CPU time
// and peak memory are its own alone. Ended when this object goes.
class ProgramProcess
{
public:
    explicit ProgramProcess(const QStringList &arguments);
    ~ProgramProcess();
    ProgramProcess(const ProgramProcess &) = delete;
    ProgramProcess &operator=(const ProgramProcess &) = delete;

    bool isRunning();
    // User and system CPU time used so far, in seconds.
    double cpuSeconds() const;
    // The most resident memory the process ever had (VmHWM), in MB.
    double peakMemoryMb() const;
    // Waits until one second passes with less than 20 ms of CPU time, so that
    // the start and the first listing are over; at most timeoutMs.
    void waitUntilSettled(int timeoutMs);

private:
    QString procFile(const char *name) const;

    QProcess process_;
};
