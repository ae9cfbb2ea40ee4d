#pragma once

#include <QStringList>

class EngineFixture;
class Report;

// The benchmarks on one engine's database. Each fills the database for its
// size and files its medians in the report.
class Benchmarks
{
public:
    Benchmarks(EngineFixture &database, Report &report, int idleSeconds);

    // One poll that finds nothing: in the window, and the engine query alone.
    void emptyPoll();
    void login();
    // From a booking committed by a time clock to its row in an empty list,
    // with the poll an hour apart (PostgreSQL only).
    void pushLatency(int swipes);
    // CPU time of the real program while it polls an empty list.
    void idleProgram();
    // From the window's creation to its employee list filled.
    void startUp(int employees);
    // One refresh in the window next to the engine's own reading of the rows,
    // then card assignments out of that list.
    void refreshAndAssign(int bookings);
    // The real program's peak memory once it lists the bookings.
    void peakMemory(int bookings);
    // A time clock file of swipes and an office file of employees read in by
    // karven-admin's importers, next to a plain insert of the same rows.
    void imports(int swipes, int employees);

private:
    QStringList programArguments() const;

    EngineFixture &database_;
    Report &report_;
    int idleSeconds_;
};
