#pragma once

#include "engine/engineconfig.h"

#include <QString>
#include <QVector>

class QTextStream;

// The names under which the benchmarks file their figures.
namespace Figure {
inline const QString refresh = QStringLiteral("Refresh (ListeAktualisieren)");
inline const QString rawQuery = QStringLiteral("Raw query Liste, engine alone (floor)");
inline const QString assignment = QStringLiteral("Card assignment (BUSpeich_Click)");
inline const QString startUp = QStringLiteral("Start-up to usable main window");
inline const QString emptyPoll = QStringLiteral("Empty poll (ListeAktualisieren)");
inline const QString emptyQuery = QStringLiteral("Empty poll, engine query alone");
inline const QString idleCpu = QStringLiteral("Idle polling program, CPU of one core");
inline const QString peakMemory = QStringLiteral("Peak memory of the program (VmHWM)");
inline const QString swipeImport = QStringLiteral("Swipe file import (karven-admin swipes)");
inline const QString swipeFloor = QStringLiteral("Plain insert of the same swipes (floor)");
inline const QString swipeCopy = QStringLiteral("COPY of the same swipes (physical floor, PostgreSQL)");
inline const QString employeeImport = QStringLiteral("Employee file import (karven-admin import)");
inline const QString employeeFloor = QStringLiteral("Plain insert of the same employees (floor)");
inline const QString pushMedian = QStringLiteral("Push, booking committed → row listed");
inline const QString pushP99 = QStringLiteral("Push, booking committed → row listed, p99");
inline const QString login = QStringLiteral("Login checked by the server (engine logIn)");
inline const QString loginReads = QStringLiteral("The three record reads the login made until 1.2 (engine)");
} // namespace Figure

// The figures of one engine's benchmarks, and how they stand against the targets.
class Report
{
public:
    explicit Report(EngineKind engine) : engine_(engine) {}

    void add(const QString &figure, int size, const QString &sizeUnit, double value,
             const QString &unit);
    // The value filed under figure and size; NaN when there is none.
    double value(const QString &figure, int size) const;

    // Markdown tables: every figure, then the targets with pass or fail.
    void print(QTextStream &out) const;

private:
    struct Entry
    {
        QString figure;
        int size;
        QString sizeUnit;
        double value;
        QString unit;
    };

    void printFigures(QTextStream &out) const;
    void printTargets(QTextStream &out) const;

    EngineKind engine_;
    QVector<Entry> entries_;
};
