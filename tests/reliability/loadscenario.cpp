#include "loadscenario.h"

#include "cacheerror.h"
#include "session.h"
#include "timeclock.h"
#include "workstation.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QSqlQuery>
#include <QRandomGenerator>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <unistd.h>

namespace {

// The parent of a process, from /proc; 0 when it is gone.
qint64 parentOf(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("PPid:"))
            return line.mid(5).trimmed().toLongLong();
    return 0;
}

// The server's main process, the parent of the session's backend. Other servers
// on the machine (of tests running meanwhile) must not count.
qint64 postmasterOf(Session &session)
{
    return parentOf(session.firstValue(QStringLiteral("SELECT pg_backend_pid()")).toLongLong());
}

// CPU seconds used so far by the server: its main process and its children;
// the ended backends of closed connections count in their parent's.
double postgresCpuSeconds(qint64 postmaster)
{
    double seconds = 0;
    const long ticks = sysconf(_SC_CLK_TCK);
    for (const QString &pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        if (pid.toLongLong() != postmaster && parentOf(pid.toLongLong()) != postmaster)
            continue;
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QString line = QString::fromLatin1(stat.readAll());
        // Fields after the command: utime, stime, cutime, cstime are 14 to 17.
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
    std::atomic<int> connected{0};

    void error(const QString &text)
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (result.errors.size() < 20)
            result.errors << text;
    }

    void record(QVector<double> &milliseconds, double value)
    {
        std::lock_guard<std::mutex> lock(mutex);
        milliseconds << value;
    }
};

QString connectionString(const ConnectionTarget &target)
{
    return QStringLiteral("cn_iptcp:%1[%2]:%3").arg(target.host).arg(target.port).arg(target.nameSpace);
}

// One workstation as the program behaves. While its list is empty it reads
// the list every poll interval, and at once when the server tells of a new
// booking; while rows are listed it only asks how many arrived since: every
// check interval, or with push when told, at most once a poll interval. Where a
// user assigns, the newest listed booking is assigned every poll interval and
// the list read anew when it ran empty or new bookings were reported; elsewhere
// the list stays as it is, as it does before a user who is away.
class ProgramWorkstation : public QObject
{
public:
    ProgramWorkstation(const ConnectionTarget &target, const LoadSettings &settings, bool assigns,
                       Shared &shared)
        : workstation_(connectionString(target)), settings_(settings), shared_(shared)
    {
        poll_.setInterval(settings.pollIntervalMs);
        check_.setInterval(settings.newBookingsCheckMs);
        assign_.setInterval(settings.pollIntervalMs);
        connect(&poll_, &QTimer::timeout, this, [this] { guarded([this] { refresh(); }); });
        connect(&check_, &QTimer::timeout, this, [this] { guarded([this] { checkForNew(); }); });
        connect(&assign_, &QTimer::timeout, this, [this] { guarded([this] { assignNewest(); }); });
        if (settings.push)
            workstation_.onNewBookings([this] {
                // Only noted here, as the program does: the factory is called by the handler.
                QMetaObject::invokeMethod(this, [this] { guarded([this] { noticed(); }); }, Qt::QueuedConnection);
            });
        // Workstations are started at different moments, so their timers do not tick together.
        QTimer::singleShot(QRandomGenerator::global()->bounded(settings.pollIntervalMs), this, [this, assigns] {
            guarded([this] { refresh(); });
            if (assigns)
                assign_.start();
        });
    }

private:
    void guarded(const std::function<void()> &handler)
    {
        try {
            handler();
        } catch (const CacheError &error) {
            shared_.error(QStringLiteral("Arbeitsplatz: %1 %2").arg(error.number()).arg(error.description()));
            poll_.stop();
            check_.stop();
            assign_.stop();
        }
    }

    void refresh()
    {
        QElapsedTimer clock;
        clock.start();
        listed_ = workstation_.listBookings();
        shared_.record(shared_.result.pollMilliseconds, clock.nsecsElapsed() / 1e6);
        newArrived_ = false;
        if (listed_.isEmpty()) {
            check_.stop();
            poll_.start();
        } else {
            poll_.stop();
            check_.start();
        }
    }

    void checkForNew()
    {
        if (listed_.isEmpty())
            return;
        QElapsedTimer clock;
        clock.start();
        newArrived_ = workstation_.countNewBookings(listed_.last()) > 0;
        shared_.record(shared_.result.checkMilliseconds, clock.nsecsElapsed() / 1e6);
        lastCheck_.start();
    }

    void noticed()
    {
        {
            std::lock_guard<std::mutex> lock(shared_.mutex);
            ++shared_.result.notices;
        }
        if (listed_.isEmpty()) {
            refresh();
        } else if (!lastCheck_.isValid() || lastCheck_.elapsed() >= settings_.pollIntervalMs) {
            checkForNew();
        } else if (!checkDue_) {
            // A burst of notices: one check when the interval is over.
            checkDue_ = true;
            QTimer::singleShot(settings_.pollIntervalMs - lastCheck_.elapsed(), this, [this] {
                checkDue_ = false;
                guarded([this] { checkForNew(); });
            });
        }
    }

    void assignNewest()
    {
        if (listed_.isEmpty() || newArrived_)
            refresh();
        if (listed_.isEmpty())
            return;
        const QString id = listed_.takeLast(); // the newest, as the list shows it on top
        workstation_.assign(id, workstation_.cardOf(id), QStringLiteral("1001"));
        {
            std::lock_guard<std::mutex> lock(shared_.mutex);
            ++shared_.result.assignments;
        }
        if (listed_.isEmpty()) {
            check_.stop();
            poll_.start();
        }
    }

    Workstation workstation_;
    const LoadSettings &settings_;
    Shared &shared_;
    QTimer poll_;
    QTimer check_;
    QTimer assign_;
    QStringList listed_;
    bool newArrived_ = false;
    bool checkDue_ = false;
    QElapsedTimer lastCheck_;
};

// Workstations first to last, each with its own connection, in a thread with an
// event loop for their timers and the server's notices, until the thread is
// told to quit. A thread serves many: the load generator runs on the same few
// cores as the server, and hundreds of threads would measure their own
// switching instead of the server's answers.
void runWorkstations(const ConnectionTarget &target, const LoadSettings &settings, int first, int last,
                     Shared &shared)
{
    std::vector<std::unique_ptr<ProgramWorkstation>> workstations;
    for (int i = first; i < last; ++i) {
        try {
            workstations.push_back(std::make_unique<ProgramWorkstation>(target, settings,
                                                                        i < settings.assigningWorkstations, shared));
            ++shared.connected;
        } catch (const CacheError &error) {
            shared.error(QStringLiteral("Arbeitsplatz: %1 %2").arg(error.number()).arg(error.description()));
        }
    }
    // Ended by QThread::quit(), which ends every event loop of the thread, also one
    // not yet running.
    QEventLoop().exec();
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

double LoadResult::percentile(QVector<double> milliseconds, double fraction)
{
    if (milliseconds.isEmpty())
        return 0;
    std::sort(milliseconds.begin(), milliseconds.end());
    return milliseconds.at(std::min<int>(milliseconds.size() - 1, int(fraction * milliseconds.size())));
}

LoadResult runLoad(EngineKind kind, const ConnectionTarget &target, const LoadSettings &settings)
{
    Shared shared;
    QStringList added;
    std::vector<std::unique_ptr<QThread>> threads;
    const int threadCount = std::min(settings.workstations, 4 * std::max(1, QThread::idealThreadCount()));
    for (int thread = 0; thread < threadCount; ++thread) {
        threads.emplace_back(QThread::create(runWorkstations, std::cref(target), std::cref(settings),
                                             settings.workstations * thread / threadCount,
                                             settings.workstations * (thread + 1) / threadCount, std::ref(shared)));
        threads.back()->start();
    }
    // Connecting costs the server more than hours of polling: measured from when all are in.
    QElapsedTimer connecting;
    connecting.start();
    const auto failed = [&shared] {
        std::lock_guard<std::mutex> lock(shared.mutex);
        return !shared.result.errors.isEmpty();
    };
    while (shared.connected < settings.workstations && connecting.elapsed() < 120000 && !failed())
        QThread::msleep(10);
    Session check(kind, target);
    check.open();
    const qint64 postmaster = kind == EngineKind::Postgres ? postmasterOf(check) : 0;
    const double cpuBefore = postmaster ? postgresCpuSeconds(postmaster) : 0;
    std::thread clock(timeClockLoop, kind, std::cref(target), std::cref(settings), std::ref(shared), std::ref(added));
    QThread::msleep(settings.seconds * 1000);
    shared.running = false;
    clock.join();
    for (const auto &thread : threads)
        thread->quit();
    for (const auto &thread : threads)
        thread->wait();

    LoadResult result = shared.result;
    if (postmaster)
        result.serverCpuSeconds = postgresCpuSeconds(postmaster) - cpuBefore;
    result.bookingsAdded = added.size();
    for (const QString &id : added) {
        const qint64 number = id.toLongLong();
        QSqlQuery listed = check.exec(QStringLiteral("SELECT count(*) FROM stempelung WHERE id = ? AND pnr IS NULL AND erledigt_am IS NULL"), {number});
        listed.next();
        QSqlQuery booked = check.exec(QStringLiteral("SELECT count(*) FROM stempelung WHERE id = ? AND pnr IS NOT NULL"), {number});
        booked.next();
        const int times = booked.value(0).toInt();
        result.stillListed += listed.value(0).toInt() > 0 ? 1 : 0;
        result.booked += times > 0 ? 1 : 0;
        result.bookedTwice += times > 1 ? 1 : 0;
        result.lost += listed.value(0).toInt() == 0 && times == 0 ? 1 : 0;
    }
    return result;
}
