#include "tools/import/swipefolder.h"

#include "cacheapi/objects/cacheerror.h"
#include "engine/session.h"
#include "tools/import/swipeimport.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSaveFile>
#include <QThread>
#include <QVector>
#include <atomic>
#include <csignal>

namespace {

constexpr int lookIntervalMs = 2000;

// Looks after the first at which a file must be unchanged to count as finished.
constexpr int steadyLooks = 2;

// Looks for which a file put away is watched: a clock that still had it open
// and writes on is heard of there, and the file goes round again.
constexpr int looksAfterPuttingAway = 60;

// How long the watcher pauses when it cannot put files away: at first, and at most.
constexpr int firstPauseSeconds = 30;
constexpr int longestPauseSeconds = 600;

const QString done = QStringLiteral("erledigt");
const QString failed = QStringLiteral("fehler");

std::atomic<bool> stopRequested{false};

void requestStop(int)
{
    stopRequested = true;
}

// What a file looked like at the last look: one that still changes is being written.
struct Seen
{
    qint64 size = -1;
    QDateTime modified;
    int unchangedLooks = 0;
    bool toldUnfinished = false;

    bool sameAs(const Seen &other) const
    {
        return size == other.size && modified == other.modified;
    }
};

Seen seenNow(const QString &path)
{
    const QFileInfo file(path);
    return file.exists() ? Seen{file.size(), file.lastModified()} : Seen{};
}

// Whether the first `size` bytes of the file end with a line break: a clock
// that stopped in the middle of a line has not finished the file.
bool endsWithLineBreak(const QString &path, qint64 size)
{
    QFile file(path);
    if (size <= 0 || !file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray start = file.read(2);
    const bool littleEndian16 = start == "\xFF\xFE";
    const bool bigEndian16 = start == "\xFE\xFF";
    const int width = littleEndian16 || bigEndian16 ? 2 : 1;
    if (size < width || !file.seek(size - width))
        return false;
    const QByteArray last = file.read(width);
    if (last.size() != width)
        return false;
    const char character = littleEndian16 ? last.at(0) : last.at(width - 1);
    const bool wide = width == 1 || last.at(littleEndian16 ? 1 : 0) == '\0';
    return wide && (character == '\n' || character == '\r');
}

// A name for the file in the folder that no other file has.
QString freeName(const QDir &folder, const QString &fileName)
{
    const QString target = folder.filePath(fileName);
    if (!QFileInfo::exists(target))
        return target;
    const QFileInfo name(fileName);
    return folder.filePath(
        name.completeBaseName() + QLatin1Char('-') +
        QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss-zzz")) +
        QStringLiteral(".csv"));
}

class SwipeFolder
{
public:
    SwipeFolder(const AdminOptions &options, QTextStream &out, QTextStream &err)
        : options_(options), out_(out), err_(err), folder_(options.watchFolder),
          session_(options.engine, options.target)
    {}

    void look()
    {
        if (!pausedUntil_.hasExpired())
            return;
        for (qsizetype i = 0; i < putAway_.size();) {
            if (grewAfterwards(putAway_[i]) || --putAway_[i].looksLeft <= 0)
                putAway_.removeAt(i);
            else
                ++i;
        }
        const QFileInfoList files =
            folder_.entryInfoList({QStringLiteral("*.csv")}, QDir::Files, QDir::Name);
        QHash<QString, Seen> seenThisTime;
        for (const QFileInfo &file : files) {
            Seen now{file.size(), file.lastModified()};
            const Seen before = seen_.value(file.fileName());
            if (before.sameAs(now)) {
                now.unchangedLooks = before.unchangedLooks + 1;
                now.toldUnfinished = before.toldUnfinished;
            }
            seenThisTime.insert(file.fileName(), now);
            if (now.unchangedLooks < steadyLooks || stopRequested)
                continue;
            if (!endsWithLineBreak(file.absoluteFilePath(), now.size)) {
                if (!now.toldUnfinished)
                    complain(
                        QStringLiteral("%1 endet nicht mit einem Zeilenumbruch und bleibt liegen, "
                                       "bis die Stempeluhr die Zeile zu Ende schreibt")
                            .arg(file.fileName()));
                seenThisTime[file.fileName()].toldUnfinished = true;
                continue;
            }
            const QString problem = folderProblem();
            if (!problem.isEmpty()) {
                pause(problem);
                break;
            }
            switch (take(file, now)) {
            case Outcome::PutAway:
                break;
            case Outcome::Waits:
                seenThisTime.remove(file.fileName()); // looked at afresh next time
                break;
            case Outcome::Paused:
                seen_ = seenThisTime;
                return;
            }
        }
        seen_ = seenThisTime;
        for (auto read = read_.begin(); read != read_.end();)
            read = seen_.contains(read.key()) ? std::next(read) : read_.erase(read);
    }

private:
    enum class Outcome { PutAway, Waits, Paused };

    // A file put away into erledigt or fehler, as it was read.
    struct PutAway
    {
        QString name; // in the watched folder
        QString path; // now
        qint64 size;
        int looksLeft = looksAfterPuttingAway;
    };

    // A file read whole whose move failed: moved later without reading it again.
    struct Read
    {
        Seen seen;
        SwipeReport report;
    };

    Outcome take(const QFileInfo &file, const Seen &seen)
    {
        const QString path = file.absoluteFilePath();
        SwipeReport report;
        const auto known = read_.constFind(file.fileName());
        if (known != read_.cend() && known->seen.sameAs(seen)) {
            report = known->report;
        } else {
            read_.remove(file.fileName());
            if (!session_.isAlive() && !session_.open()) {
                complain(QStringLiteral("Keine Verbindung zur Datenbank: %1")
                             .arg(session_.lastError().simplified()));
                return Outcome::Waits;
            }
            try {
                // Only as far as it was seen finished: what the clock adds meanwhile is read next
                // time.
                report = importSwipes(session_, path, options_.company, seen.size);
            } catch (const CacheError &error) {
                complain(QStringLiteral("%1 wartet: %2")
                             .arg(file.fileName(), error.description().simplified()));
                session_.close();
                return Outcome::Waits;
            }
            // Another watcher of the same folder took it meanwhile: it reports the file.
            if (!QFileInfo::exists(path))
                return Outcome::Waits;
            tell(file.fileName(), report);
        }
        // A file that changed while it was read has not been read whole: it stays.
        if (!seenNow(path).sameAs(seen)) {
            // Gone rather than changed: another watcher put it away just now.
            if (!QFileInfo::exists(path))
                return Outcome::Waits;
            complain(QStringLiteral("%1 wurde während des Lesens geändert und bleibt liegen; "
                                    "sie wird noch einmal gelesen, wenn sie fertig ist")
                         .arg(file.fileName()));
            return Outcome::Waits;
        }
        const QString moved = moveInto(path, report.errors.isEmpty() ? done : failed);
        if (moved.isEmpty() && !QFileInfo::exists(path))
            return Outcome::Waits; // put away by another watcher of the folder
        if (moved.isEmpty()) {
            read_.insert(file.fileName(), Read{seen, report});
            pause(QStringLiteral("%1 kann nicht nach %2 verschoben werden")
                      .arg(file.fileName(), report.errors.isEmpty() ? done : failed));
            return Outcome::Paused;
        }
        read_.remove(file.fileName());
        pauseSeconds_ = firstPauseSeconds;
        if (!report.errors.isEmpty())
            writeReasons(moved, report);
        const PutAway putAway{file.fileName(), moved, seen.size};
        if (!grewAfterwards(putAway))
            putAway_.append(putAway);
        return Outcome::PutAway;
    }

    // The clock may still have had the file open and written on: then the file
    // goes back into the folder and is read again when it is finished; what
    // was booked of it before is "schon gebucht" then.
    bool grewAfterwards(const PutAway &file)
    {
        const qint64 size = seenNow(file.path).size;
        if (size < 0)
            return true; // taken away: nothing more to watch
        if (size == file.size)
            return false;
        const QString back = freeName(folder_, file.name);
        if (QFile::rename(file.path, back)) {
            QFile::remove(file.path + QStringLiteral(".fehler.txt"));
            complain(QStringLiteral("%1 ist nach dem Lesen weiter gewachsen und wird als %2 noch "
                                    "einmal gelesen, wenn sie fertig ist")
                         .arg(file.name, QFileInfo(back).fileName()));
        } else {
            complain(QStringLiteral("%1 ist nach dem Lesen weiter gewachsen und kann nicht "
                                    "zurückgelegt werden: bitte %2 noch einmal einlesen")
                         .arg(file.name, file.path));
        }
        return true;
    }

    void tell(const QString &name, const SwipeReport &report)
    {
        if (report.errors.isEmpty()) {
            out_ << name << ": " << report.swipes << " Stempelungen, " << report.timeBookings
                 << " Zeitbuchungen, " << report.unassigned << " nicht zugeordnet, "
                 << report.bookedBefore << " schon gebucht" << Qt::endl;
            return;
        }
        complain(
            QStringLiteral("%1: %2 Fehler, %3 (%4)")
                .arg(name)
                .arg(report.errors.size() + report.unlistedErrors)
                .arg(
                    report.timeBookings + report.unassigned == 0
                        ? QStringLiteral("nichts gebucht")
                        : QStringLiteral("%1 gebucht").arg(report.timeBookings + report.unassigned))
                .arg(report.errors.first()));
    }

    void writeReasons(const QString &moved, const SwipeReport &report)
    {
        QSaveFile reasons(moved + QStringLiteral(".fehler.txt"));
        if (!reasons.open(QIODevice::WriteOnly))
            return;
        QStringList lines = swipeErrorLines(report);
        if (report.timeBookings + report.unassigned == 0)
            lines << QStringLiteral("Nichts gebucht.");
        reasons.write((lines.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8());
        reasons.commit();
    }

    // Why the files cannot be put away, or an empty text.
    QString folderProblem() const
    {
        for (const QString &name : {done, failed}) {
            const QString path = folder_.filePath(name);
            if (!QFileInfo::exists(path))
                folder_.mkdir(name);
            const QFileInfo subfolder(path);
            if (subfolder.exists() && !subfolder.isDir())
                return QStringLiteral("%1 ist kein Ordner").arg(path);
            if (!subfolder.isDir())
                return QStringLiteral("Ordner %1 fehlt und kann nicht angelegt werden").arg(path);
            if (!subfolder.isWritable())
                return QStringLiteral("In den Ordner %1 darf der Dienst nicht schreiben").arg(path);
        }
        return QString();
    }

    // Moves the file into the subfolder, under a new name when one of that name is there.
    QString moveInto(const QString &path, const QString &subfolder) const
    {
        const QString target =
            freeName(QDir(folder_.filePath(subfolder)), QFileInfo(path).fileName());
        return QFile::rename(path, target) ? target : QString();
    }

    // Reads nothing for a while, longer each time, instead of reading the same files again and
    // again.
    void pause(const QString &problem)
    {
        complain(QStringLiteral("%1. Keine Datei wird gelesen; nächster Versuch in %2 s.")
                     .arg(problem)
                     .arg(pauseSeconds_));
        pausedUntil_.setRemainingTime(qint64(pauseSeconds_) * 1000);
        pauseSeconds_ = qMin(pauseSeconds_ * 2, longestPauseSeconds);
    }

    void complain(const QString &message) { err_ << message << Qt::endl; }

    const AdminOptions &options_;
    QTextStream &out_;
    QTextStream &err_;
    const QDir folder_;
    Session session_;
    QHash<QString, Seen> seen_;
    QHash<QString, Read> read_;
    QVector<PutAway> putAway_;
    QDeadlineTimer pausedUntil_{0};
    int pauseSeconds_ = firstPauseSeconds;
};

} // namespace

int watchSwipeFolder(const AdminOptions &options, QTextStream &out, QTextStream &err)
{
    if (!QFileInfo(options.watchFolder).isDir()) {
        err << "Ordner " << options.watchFolder << " gibt es nicht.\n";
        return ExitFailure;
    }
    for (const int number : {SIGTERM, SIGINT, SIGHUP})
        std::signal(number, requestStop);
    out << "Lese Stempeluhr-Dateien aus " << options.watchFolder << Qt::endl;
    SwipeFolder folder(options, out, err);
    while (!stopRequested) {
        folder.look();
        QElapsedTimer waited;
        waited.start();
        while (!stopRequested && waited.elapsed() < lookIntervalMs)
            QThread::msleep(100);
    }
    out << "Beendet." << Qt::endl;
    return ExitSuccess;
}
