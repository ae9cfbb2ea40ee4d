#include "swipefolder.h"

#include "cacheerror.h"
#include "session.h"
#include "swipeimport.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHash>
#include <QSaveFile>
#include <QThread>
#include <atomic>
#include <csignal>

namespace {

constexpr int lookIntervalMs = 2000;

std::atomic<bool> stopRequested{false};

void requestStop(int)
{
    stopRequested = true;
}

// What a file looked like at the last look: one that still changes is being written.
struct Seen
{
    qint64 size;
    QDateTime modified;
};

// Moves the file into the subfolder, under a new name when one of that name is there.
QString moveInto(const QFileInfo &file, const QString &subfolder)
{
    QDir folder(file.absolutePath());
    folder.mkpath(subfolder);
    QString target = folder.filePath(subfolder + QLatin1Char('/') + file.fileName());
    if (QFileInfo::exists(target))
        target = folder.filePath(
            subfolder + QLatin1Char('/') + file.completeBaseName() + QLatin1Char('-') +
            QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss-zzz")) +
            QStringLiteral(".csv"));
    return QFile::rename(file.absoluteFilePath(), target) ? target : QString();
}

class SwipeFolder
{
public:
    SwipeFolder(const AdminOptions &options, QTextStream &out, QTextStream &err)
        : options_(options), out_(out), err_(err), session_(options.engine, options.target)
    {}

    void look()
    {
        const QFileInfoList files =
            QDir(options_.watchFolder)
                .entryInfoList({QStringLiteral("*.csv")}, QDir::Files, QDir::Name);
        QHash<QString, Seen> seenNow;
        for (const QFileInfo &file : files) {
            const Seen now{file.size(), file.lastModified()};
            seenNow.insert(file.fileName(), now);
            const auto before = seen_.constFind(file.fileName());
            if (before != seen_.cend() && before->size == now.size &&
                before->modified == now.modified && !read(file))
                seenNow.remove(file.fileName()); // looked at again next time
        }
        seen_ = seenNow;
    }

private:
    // False when the database could not be reached and the file must wait.
    bool read(const QFileInfo &file)
    {
        if (!session_.isAlive() && !session_.open()) {
            complain(QStringLiteral("Keine Verbindung zur Datenbank: %1")
                         .arg(session_.lastError().simplified()));
            return false;
        }
        SwipeReport report;
        try {
            report = importSwipes(session_, file.absoluteFilePath(), options_.company);
        } catch (const CacheError &error) {
            complain(QStringLiteral("%1 wartet: %2")
                         .arg(file.fileName(), error.description().simplified()));
            session_.close();
            return false;
        }
        if (report.errors.isEmpty()) {
            moveInto(file, QStringLiteral("erledigt"));
            out_ << file.fileName() << ": " << report.swipes << " Stempelungen, "
                 << report.timeBookings << " Zeitbuchungen, " << report.unassigned
                 << " nicht zugeordnet, " << report.bookedBefore << " schon gebucht" << Qt::endl;
            return true;
        }
        const QString moved = moveInto(file, QStringLiteral("fehler"));
        QSaveFile reason((moved.isEmpty() ? file.absoluteFilePath() : moved) +
                         QStringLiteral(".fehler.txt"));
        if (reason.open(QIODevice::WriteOnly)) {
            reason.write(
                (report.errors.join(QLatin1Char('\n')) + QStringLiteral("\nNichts gebucht.\n"))
                    .toUtf8());
            reason.commit();
        }
        complain(QStringLiteral("%1: %2 Fehler, nichts gebucht (%3)")
                     .arg(file.fileName())
                     .arg(report.errors.size())
                     .arg(report.errors.first()));
        return true;
    }

    void complain(const QString &message) { err_ << message << Qt::endl; }

    const AdminOptions &options_;
    QTextStream &out_;
    QTextStream &err_;
    Session session_;
    QHash<QString, Seen> seen_;
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
