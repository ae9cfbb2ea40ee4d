#include "bench/report.h"

#include <QTextStream>
#include <cmath>
#include <limits>

namespace {

// 100000 as "100 000", the way the figures are quoted.
QString grouped(int number)
{
    QString digits = QString::number(number);
    for (qsizetype at = digits.size() - 3; at > 0; at -= 3)
        digits.insert(at, QLatin1Char(' '));
    return digits;
}

QString rounded(double value)
{
    if (std::isnan(value))
        return QStringLiteral("–");
    const int decimals = value >= 100 ? 0 : value >= 10 ? 1 : value >= 1 ? 2 : 3;
    return QString::number(value, 'f', decimals);
}

struct Target
{
    QString what;
    QString goal;
    double measured;
    QString unit;
    double limit;
};

} // namespace

void Report::add(const QString &figure, int size, const QString &sizeUnit, double value,
                 const QString &unit)
{
    entries_.append({figure, size, sizeUnit, value, unit});
}

double Report::value(const QString &figure, int size) const
{
    for (const Entry &entry : entries_)
        if (entry.figure == figure && entry.size == size)
            return entry.value;
    return std::numeric_limits<double>::quiet_NaN();
}

void Report::print(QTextStream &out) const
{
    out << "### " << engineName(engine_) << "\n\n";
    printFigures(out);
    out << "\n";
    printTargets(out);
    out << "\n";
    out.flush();
}

void Report::printFigures(QTextStream &out) const
{
    out << "| Benchmark | Size | Median |\n|---|---:|---:|\n";
    for (const Entry &entry : entries_)
        out << "| " << entry.figure << " | "
            << (entry.sizeUnit.isEmpty() ? QString()
                                         : grouped(entry.size) + QLatin1Char(' ') + entry.sizeUnit)
            << " | " << rounded(entry.value) << ' ' << entry.unit << " |\n";
}

void Report::printTargets(QTextStream &out) const
{
    const double refresh = value(Figure::refresh, 100000);
    const double floor = value(Figure::rawQuery, 100000);
    const bool sqlite = engine_ == EngineKind::Sqlite;
    QVector<Target> targets = {
        {QStringLiteral("Refresh of 100 000 against the raw query"), QStringLiteral("≤ 1.3×"),
         refresh / floor, QStringLiteral("×"), 1.3},
        {QStringLiteral("Refresh of 100 000"), QStringLiteral("< 1000 ms"), refresh,
         QStringLiteral("ms"), 1000},
        {QStringLiteral("Refresh growth 10 000 → 100 000"), QStringLiteral("≤ 12×"),
         refresh / value(Figure::refresh, 10000), QStringLiteral("×"), 12},
        {QStringLiteral("Start-up with 10 000 employees"), QStringLiteral("< 1000 ms"),
         value(Figure::startUp, 10000), QStringLiteral("ms"), 1000},
        {QStringLiteral("Empty poll"), sqlite ? QStringLiteral("< 2 ms") : QStringLiteral("< 5 ms"),
         value(Figure::emptyPoll, 0), QStringLiteral("ms"), sqlite ? 2.0 : 5.0},
        {QStringLiteral("Idle polling program"), QStringLiteral("< 1 % of one core"),
         value(Figure::idleCpu, 0), QStringLiteral("%"), 1},
        {QStringLiteral("Peak memory with 100 000 bookings"), QStringLiteral("< 60 MB"),
         value(Figure::peakMemory, 100000), QStringLiteral("MB"), 60},
        {QStringLiteral("Import of 100 000 swipes against a plain insert"), QStringLiteral("≤ 3×"),
         value(Figure::swipeImport, 100000) / value(Figure::swipeFloor, 100000), QStringLiteral("×"), 3},
        {QStringLiteral("Import of 100 000 swipes"), QStringLiteral("< 10 s"), value(Figure::swipeImport, 100000),
         QStringLiteral("ms"), 10000},
        {QStringLiteral("Import of 10 000 employees against a plain insert"), QStringLiteral("≤ 3×"),
         value(Figure::employeeImport, 10000) / value(Figure::employeeFloor, 10000), QStringLiteral("×"), 3},
    };
    if (!sqlite)
        targets.append({QStringLiteral("Import of 100 000 swipes against COPY"), QStringLiteral("≤ 2×"),
                        value(Figure::swipeImport, 100000) / value(Figure::swipeCopy, 100000),
                        QStringLiteral("×"), 2});
    targets.append({QStringLiteral("Login against the reads it replaced"), QStringLiteral("≤ 1.5×"),
                    value(Figure::login, 0) / value(Figure::loginReads, 0), QStringLiteral("×"), 1.5});
    if (!sqlite)
        targets.append({QStringLiteral("Push of a new booking to an empty list, p99"),
                        QStringLiteral("< 100 ms"), value(Figure::pushP99, 100),
                        QStringLiteral("ms"), 100});
    out << "| Target | Goal | Measured | Result |\n|---|---|---:|---|\n";
    for (const Target &target : targets) {
        if (std::isnan(target.measured))
            continue; // not measured in this run (--only)
        const bool passed = target.measured <= target.limit;
        out << "| " << target.what << " | " << target.goal << " | " << rounded(target.measured)
            << ' ' << target.unit << " | " << (passed ? "pass" : "**fail**") << " |\n";
    }
}
