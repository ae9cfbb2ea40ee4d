#include "tests/reliability/loadscenario.h"

#include "cacheapi/objects/cacheerror.h"
#include "engine/session.h"
#include "engine/timeclock.h"
#include "mainlogic/newbookingswatch.h"
#include "tests/reliability/workstation.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QSqlQuery>
#include <QRandomGenerator>
#include <QThread>
#include <QTimer>
#include <QHash>
#include <algorithm>
#include <chrono>
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

// The server's processes: its main process and its children.
QStringList serverProcesses(qint64 postmaster)
{
    QStringList pids;
    for (const QString &pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs))
        if (pid.toLongLong() == postmaster || parentOf(pid.toLongLong()) == postmaster)
            pids << pid;
    return pids;
}

// CPU seconds used so far by the server; the ended backends of closed
// connections count in their parent's.
double postgresCpuSeconds(qint64 postmaster)
{
    double seconds = 0;
    const long ticks = sysconf(_SC_CLK_TCK);
    for (const QString &pid : serverProcesses(postmaster)) {
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

// The server's memory, each process's proportional share of what it shares
// with others (Pss), in KiB.
qint64 postgresMemoryKib(qint64 postmaster)
{
    qint64 kib = 0;
    for (const QString &pid : serverProcesses(postmaster)) {
        QFile rollup(QStringLiteral("/proc/%1/smaps_rollup").arg(pid));
        if (!rollup.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray &line : rollup.readAll().split('\n'))
            if (line.startsWith("Pss:"))
                kib += line.mid(4).trimmed().split(' ').value(0).toLongLong();
    }
    return kib;
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

    void noticed()
    {
        std::lock_guard<std::mutex> lock(mutex);
        ++result.notices;
    }

    // The time clock's booking committed at that moment.
    void booked(qint64 id, qint64 nanoseconds)
    {
        std::lock_guard<std::mutex> lock(mutex);
        bookedAt.insert(id, nanoseconds);
    }

    // A list that was empty shows the booking with that id from then on.
    void arrivedOnEmptyList(qint64 id, qint64 nanoseconds)
    {
        std::lock_guard<std::mutex> lock(mutex);
        const auto booked = bookedAt.constFind(id);
        if (booked != bookedAt.constEnd())
            result.arrivalMilliseconds << (nanoseconds - *booked) / 1e6;
    }

    QHash<qint64, qint64> bookedAt;
};

qint64 steadyNanoseconds()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

QString connectionString(const ConnectionTarget &target)
{
    return QStringLiteral("cn_iptcp:%1[%2]:%3").arg(target.host).arg(target.port).arg(target.nameSpace);
}

// One workstation as the program behaves, deciding with the main window's
// own NewBookingsWatch. While its list is empty it reads the list every poll
// interval, and when the server tells of a new booking; while rows are listed
// a notice only changes its hint, and where the server does not tell, it asks
// how many arrived every check interval. Where a user assigns, the newest
// listed booking is assigned every poll interval and the list read anew when
// it ran empty or new bookings were hinted; elsewhere the list stays as it is,
// as it does before a user who is away.
class ProgramWorkstation : public QObject
{
public:
    ProgramWorkstation(const ConnectionTarget &target, const LoadSettings &settings, bool assigns,
                       const QString &company, Shared &shared)
        : workstation_(connectionString(target), company), settings_(settings), shared_(shared),
          quiet_(company != QLatin1String("1")),
          employee_(quiet_ ? QStringLiteral("2001") : QStringLiteral("1001"))
    {
        poll_.setInterval(settings.pollIntervalMs);
        check_.setInterval(settings.newBookingsCheckMs);
        assign_.setInterval(settings.pollIntervalMs);
        later_.setSingleShot(true);
        connect(&poll_, &QTimer::timeout, this, [this] { guarded([this] { refresh(); }); });
        connect(&check_, &QTimer::timeout, this, [this] { guarded([this] { checkForNew(); }); });
        connect(&assign_, &QTimer::timeout, this, [this] { guarded([this] { assignNewest(); }); });
        connect(&later_, &QTimer::timeout, this, [this] { guarded([this] { readWhenNoticed(std::nullopt); }); });
        if (settings.push)
            workstation_.onNewBookings([this](const NewBookingsNotice &notice) {
                // Only noted here, as the program does: the factory is called by the handler.
                const qint64 arrived = steadyNanoseconds();
                QMetaObject::invokeMethod(
                    this, [this, notice, arrived] { guarded([&] { noticed(notice, arrived); }); },
                    Qt::QueuedConnection);
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
        const qint64 started = steadyNanoseconds();
        lastRefresh_.start();
        const bool wasEmpty = listed_.isEmpty();
        const Workstation::Listing listing = workstation_.listBookings();
        const qint64 done = steadyNanoseconds();
        listed_ = listing.ids;
        watch_.listRead(listed_.isEmpty() ? 0 : listed_.last().toLongLong(), listing.counter);
        shared_.record(shared_.result.pollMilliseconds, (done - started) / 1e6);
        if (quiet_ && wasEmpty && !listed_.isEmpty())
            shared_.arrivedOnEmptyList(listed_.first().toLongLong(), done);
        if (listed_.isEmpty()) {
            check_.stop();
            poll_.start();
        } else {
            poll_.stop();
            check_.start();
        }
    }

    // The notices' read, when their interval lets it start; timed from the
    // notice's arrival where one starts it at once.
    void readWhenNoticed(std::optional<qint64> arrived)
    {
        const int readIn = watch_.nextRead(listed_.isEmpty(), false, steadyNanoseconds() / 1000000);
        if (readIn < 0) {
            hint_ = watch_.hint();
            return;
        }
        if (readIn > 0) {
            if (!later_.isActive())
                later_.start(readIn);
            return;
        }
        refresh();
        if (quiet_ && arrived)
            shared_.record(shared_.result.noticeToScreenMilliseconds, (steadyNanoseconds() - *arrived) / 1e6);
    }

    void checkForNew()
    {
        if (listed_.isEmpty() || workstation_.toldOfNewBookings())
            return;
        const qint64 started = steadyNanoseconds();
        hint_ = workstation_.countNewBookings(listed_.last());
        shared_.record(shared_.result.checkMilliseconds, (steadyNanoseconds() - started) / 1e6);
    }

    void noticed(const NewBookingsNotice &notice, qint64 arrived)
    {
        shared_.noticed();
        watch_.noticeCame(notice);
        readWhenNoticed(arrived);
    }

    void assignNewest()
    {
        // A user reads the list anew when it ran empty, or when new bookings
        // are hinted, but not more often than the look for new ones would hint them.
        if (listed_.isEmpty() || (hint_ > 0 && lastRefresh_.elapsed() >= settings_.newBookingsCheckMs)) {
            hint_ = 0;
            refresh();
        }
        if (listed_.isEmpty())
            return;
        const QString id = listed_.takeLast(); // the newest, as the list shows it on top
        workstation_.assign(id, workstation_.cardOf(id), employee_);
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
    QTimer later_;
    QStringList listed_;
    NewBookingsWatch watch_;
    int hint_ = 0;
    QElapsedTimer lastRefresh_;
    const bool quiet_; // of the quiet company, whose lists wait empty: it measures how soon they show a booking
    const QString employee_; // whom the user assigns to
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
        // After the busy company's workstations, the quiet company's, whose users all assign.
        const bool quiet = i >= settings.workstations;
        try {
            workstations.push_back(std::make_unique<ProgramWorkstation>(
                target, settings, quiet || i < settings.assigningWorkstations,
                quiet ? QStringLiteral("2") : QStringLiteral("1"), shared));
            ++shared.connected;
        } catch (const CacheError &error) {
            shared.error(QStringLiteral("Arbeitsplatz: %1 %2").arg(error.number()).arg(error.description()));
        }
    }
    // Ended by QThread::quit(), which ends every event loop of the thread, also one
    // not yet running.
    QEventLoop().exec();
}

// A company's time clock booking a new card every interval.
void timeClockLoop(EngineKind kind, const ConnectionTarget &target, const QString &company,
                   std::chrono::microseconds interval, Shared &shared, QStringList &added)
{
    Session session(kind, target);
    if (!session.open()) {
        shared.error(QStringLiteral("Stempeluhr: ") + session.lastError());
        return;
    }
    // On a schedule, so that a slow answer is made up for by a shorter pause.
    auto next = std::chrono::steady_clock::now();
    int swipe = 0;
    while (shared.running) {
        const QString card = QString::number((company == QLatin1String("1") ? 5000000 : 6000000) + ++swipe);
        try {
            const QString time = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMddHHmm"));
            const qint64 id = bookCard(session, company, QStringLiteral("LAST"), QStringLiteral("K"), card, time).id;
            shared.booked(id, steadyNanoseconds());
            added << QString::number(id);
        } catch (const CacheError &error) {
            shared.error(QStringLiteral("Stempeluhr: %1 %2").arg(error.number()).arg(error.description()));
        }
        next += interval;
        std::this_thread::sleep_until(next);
    }
    tellOfPendingBookings(session);
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
    QStringList addedQuietly;
    std::vector<std::unique_ptr<QThread>> threads;
    const int all = settings.workstations + settings.quietWorkstations;
    // The quiet company's workstations in a thread of their own: what they
    // measure is the server's answer, not the turn of a busy workstation.
    QVector<std::pair<int, int>> served;
    const int threadCount = std::min(settings.workstations, 4 * std::max(1, QThread::idealThreadCount()));
    for (int thread = 0; thread < threadCount; ++thread)
        served.append({settings.workstations * thread / threadCount,
                       settings.workstations * (thread + 1) / threadCount});
    if (settings.quietWorkstations > 0)
        served.append({settings.workstations, all});
    for (const auto &[first, last] : served) {
        threads.emplace_back(QThread::create(runWorkstations, std::cref(target), std::cref(settings), first, last,
                                             std::ref(shared)));
        threads.back()->start();
    }
    // Connecting costs the server more than hours of polling: measured from when all are in.
    QElapsedTimer connecting;
    connecting.start();
    const auto failed = [&shared] {
        std::lock_guard<std::mutex> lock(shared.mutex);
        return !shared.result.errors.isEmpty();
    };
    while (shared.connected < all && connecting.elapsed() < 120000 && !failed())
        QThread::msleep(10);
    Session check(kind, target);
    check.open();
    const qint64 postmaster = kind == EngineKind::Postgres ? postmasterOf(check) : 0;
    const double cpuBefore = postmaster ? postgresCpuSeconds(postmaster) : 0;
    std::thread clock(timeClockLoop, kind, std::cref(target), QStringLiteral("1"),
                      std::chrono::microseconds(1000000 / std::max(1, settings.bookingsPerSecond)), std::ref(shared),
                      std::ref(added));
    std::vector<std::thread> quietClock;
    if (settings.quietWorkstations > 0)
        quietClock.emplace_back(timeClockLoop, kind, std::cref(target), QStringLiteral("2"),
                                std::chrono::milliseconds(settings.quietBookingIntervalMs), std::ref(shared),
                                std::ref(addedQuietly));
    QThread::msleep(settings.seconds * 1000);
    shared.running = false;
    clock.join();
    for (std::thread &thread : quietClock)
        thread.join();
    // While every workstation is still connected.
    const qint64 serverMemoryKib = postmaster ? postgresMemoryKib(postmaster) : -1;
    for (const auto &thread : threads)
        thread->quit();
    for (const auto &thread : threads)
        thread->wait();

    LoadResult result = shared.result;
    if (postmaster)
        result.serverCpuSeconds = postgresCpuSeconds(postmaster) - cpuBefore;
    result.serverMemoryKib = serverMemoryKib;
    result.bookingsAdded = added.size();
    result.quietBookingsAdded = addedQuietly.size();
    for (const QString &id : added + addedQuietly) {
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
