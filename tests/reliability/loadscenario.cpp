#include "loadscenario.h"

#include "cacheerror.h"
#include "session.h"
#include "timeclock.h"
#include "workstation.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSqlQuery>
#include <QThread>
#include <algorithm>
#include <atomic>
#include <mutex>
#include <thread>
#include <unistd.h>

namespace {

// CPU seconds used so far by all processes of the PostgreSQL server.
double postgresCpuSeconds()
{
    double seconds = 0;
    const long ticks = sysconf(_SC_CLK_TCK);
    for (const QString &pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QString line = QString::fromLatin1(stat.readAll());
        if (!line.contains(QStringLiteral("(postgres)")))
            continue;
        // Fields after the command: utime, stime, cutime, cstime are 14 to 17;
        // the ended backends of closed connections count in their parent's.
        const QStringList fields = line.mid(line.lastIndexOf(QLatin1Char(')')) + 2).split(QLatin1Char(' '));
        if (fields.size() > 14)
            for (int field = 11; field <= 14; ++field)
                seconds += fields.at(field).toDouble() / ticks;
    }
    return seconds;
}

struct Shared
{
    std::mutex mutex;
    LoadResult result;
    std::atomic<bool> running{true};

    void error(const QString &text)
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (result.errors.size() < 20)
            result.errors << text;
    }
};

QString connectionString(const ConnectionTarget &target)
{
    return QStringLiteral("cn_iptcp:%1[%2]:%3").arg(target.host).arg(target.port).arg(target.nameSpace);
}

void workstationLoop(const ConnectionTarget &target, const LoadSettings &settings, bool assigns,
                     Shared &shared)
{
    try {
        Workstation workstation(connectionString(target));
        QElapsedTimer clock;
        while (shared.running) {
            clock.restart();
            const QStringList ids = workstation.listBookings();
            const double elapsed = clock.nsecsElapsed() / 1e6;
            {
                std::lock_guard<std::mutex> lock(shared.mutex);
                shared.result.pollMilliseconds << elapsed;
            }
            if (assigns && !ids.isEmpty()) {
                const QString id = ids.last(); // the newest, as the list shows it on top
                workstation.assign(id, workstation.cardOf(id), QStringLiteral("1001"));
                std::lock_guard<std::mutex> lock(shared.mutex);
                ++shared.result.assignments;
            }
            const qint64 rest = settings.pollIntervalMs - clock.elapsed();
            if (rest > 0)
                QThread::msleep(rest);
        }
    } catch (const CacheError &error) {
        shared.error(QStringLiteral("Arbeitsplatz: %1 %2").arg(error.number()).arg(error.description()));
    }
}

void timeClockLoop(EngineKind kind, const ConnectionTarget &target, const LoadSettings &settings,
                   Shared &shared, QStringList &added)
{
    Session session(kind, target);
    if (!session.open()) {
        shared.error(QStringLiteral("Stempeluhr: ") + session.lastError());
        return;
    }
    const int pause = 1000 / std::max(1, settings.bookingsPerSecond);
    int swipe = 0;
    while (shared.running) {
        const QString card = QString::number(5000000 + ++swipe);
        try {
            const QString time = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMddHHmm"));
            added << QString::number(bookCard(session, QStringLiteral("1"), QStringLiteral("LAST"),
                                              QStringLiteral("K"), card, time)
                                         .id);
        } catch (const CacheError &error) {
            shared.error(QStringLiteral("Stempeluhr: %1 %2").arg(error.number()).arg(error.description()));
        }
        QThread::msleep(pause);
    }
}

} // namespace

double LoadResult::pollPercentile(double fraction) const
{
    if (pollMilliseconds.isEmpty())
        return 0;
    QVector<double> sorted = pollMilliseconds;
    std::sort(sorted.begin(), sorted.end());
    return sorted.at(std::min<int>(sorted.size() - 1, int(fraction * sorted.size())));
}

LoadResult runLoad(EngineKind kind, const ConnectionTarget &target, const LoadSettings &settings)
{
    Shared shared;
    QStringList added;
    const double cpuBefore = kind == EngineKind::Postgres ? postgresCpuSeconds() : 0;
    std::vector<std::thread> threads;
    for (int i = 0; i < settings.workstations; ++i)
        threads.emplace_back(workstationLoop, std::cref(target), std::cref(settings),
                             i < settings.assigningWorkstations, std::ref(shared));
    threads.emplace_back(timeClockLoop, kind, std::cref(target), std::cref(settings), std::ref(shared),
                         std::ref(added));
    QThread::msleep(settings.seconds * 1000);
    shared.running = false;
    for (std::thread &thread : threads)
        thread.join();

    LoadResult result = shared.result;
    if (kind == EngineKind::Postgres)
        result.serverCpuSeconds = postgresCpuSeconds() - cpuBefore;
    result.bookingsAdded = added.size();
    Session check(kind, target);
    check.open();
    for (const QString &id : added) {
        const qint64 number = id.toLongLong();
        QSqlQuery listed = check.exec(QStringLiteral("SELECT count(*) FROM nopers WHERE id = ? AND erledigt_am IS NULL"), {number});
        listed.next();
        QSqlQuery booked = check.exec(QStringLiteral("SELECT count(*) FROM zeitbuchung WHERE nopers_id = ?"), {number});
        booked.next();
        const int times = booked.value(0).toInt();
        result.stillListed += listed.value(0).toInt() > 0 ? 1 : 0;
        result.booked += times > 0 ? 1 : 0;
        result.bookedTwice += times > 1 ? 1 : 0;
        result.lost += listed.value(0).toInt() == 0 && times == 0 ? 1 : 0;
    }
    return result;
}
