#include "tools/import/swipeimport.h"

#include "cacheapi/objects/clocktime.h"
#include "engine/session.h"
#include "engine/timeclock.h"
#include "tools/import/csvreader.h"
#include "tools/import/readahead.h"

#include <QElapsedTimer>
#include <QThread>
#include <QVector>

namespace {

const QString firma = QStringLiteral("Firma");
const QString filiale = QStringLiteral("Filiale");
const QString terminal = QStringLiteral("Terminal");
const QString karte = QStringLiteral("Karte");
const QString art = QStringLiteral("Art");
const QString datum = QStringLiteral("Datum");
const QString uhrzeit = QStringLiteral("Uhrzeit");

// Swipes are booked in lots, each in a transaction of its own. SQLite lets
// one writer in at a time, and a workstation's "Speichern" waits for the lot
// being booked: so a lot is made as large as takes about 400 ms on this
// machine and database (some ten thousand swipes): a "Speichern" waits half
// a second at most, far below the five seconds after which a workstation
// gives up, and the pauses below cost a big file little.
constexpr int firstLot = 5000;
constexpr int smallestLot = 500;
constexpr int largestLot = 40000;
constexpr qint64 lotMilliseconds = 400;

// And between two lots the importer waits a little on SQLite: a workstation
// waiting for the lock tries again every 100 ms at most (SQLite's busy
// handler), and the next lot would otherwise take the lock before it.
// PostgreSQL locks rows, not the database: new swipes keep no one waiting.
constexpr unsigned long pauseBetweenLotsMs = 120;

// Each lot writes the pages of the indexes it changed; with the few megabytes
// SQLite keeps by default, a lot must read most of them again first. The
// importer's own connection keeps more (in KiB; memory stays bounded by it).
constexpr int sqliteCacheKib = 32 * 1024;

// Errors listed in a report; a file with a million wrong lines lists these.
constexpr int listedErrors = 100;

QString kindOfBooking(const QString &text)
{
    const QString kind = text.trimmed().toUpper();
    if (kind == QLatin1String("KOMMEN"))
        return QStringLiteral("K");
    if (kind == QLatin1String("GEHEN"))
        return QStringLiteral("G");
    return kind;
}

class SwipeFile
{
public:
    SwipeFile(Session &session, const QString &path, const QString &company, qint64 length,
              SwipeReport &report)
        : session_(session), path_(path), company_(company), length_(length), report_(report)
    {}

    // Checks every line; false when any is wrong or the file cannot be read.
    bool check()
    {
        if (!reader_.open(path_, length_))
            return fail(reader_.error());
        report_.encoding = reader_.encoding();
        if (!readHeader())
            return false;
        CsvRecord record;
        Swipe swipe;
        while (reader_.next(record)) {
            if (record.fields.size() == header_.fieldCount)
                ++report_.swipes;
            const QString problem = swipeOf(record, swipe);
            if (!problem.isEmpty())
                error(record.line, problem);
        }
        if (!reader_.error().isEmpty())
            return fail(reader_.error());
        return report_.errors.isEmpty();
    }

    // Reads the checked file again and books it lot by lot.
    void book()
    {
        CsvRecord record;
        if (!reader_.rewind() || !reader_.next(record) ||
            record.fields.size() != header_.fieldCount) {
            changed(reader_.error().isEmpty() ? QStringLiteral("Zeile 1") : reader_.error());
            return;
        }
        // PostgreSQL stores a lot while the next is read. On SQLite, which lets
        // one writer in at a time, each lot is read at the size the lot before
        // it found fitting.
        const bool readWhileStoring = session_.kind() == EngineKind::Postgres;
        int swipesRead = 0;
        ReadAhead lots(
            [this, &swipesRead](int swipes, SwipeLot &lot) { readLot(swipes, lot, swipesRead); });
        lots.request(lotSize_);
        for (;;) {
            SwipeLot lot = lots.take();
            if (!lot.problem.isEmpty()) {
                changed(lot.problem);
                return;
            }
            if (readWhileStoring && !lot.last)
                lots.request(lotSize_);
            bookLot(lot);
            if (lot.last)
                return;
            if (!readWhileStoring)
                lots.request(lotSize_);
        }
    }

private:
    bool readHeader()
    {
        CsvRecord record;
        if (!reader_.next(record))
            return fail(reader_.error().isEmpty()
                            ? QStringLiteral("Die Datei ist leer; erwartet wird eine Kopfzeile")
                            : reader_.error());
        header_ = readCsvHeader(record, {firma, filiale, terminal, karte, art, datum, uhrzeit},
                                {terminal, karte, art, datum, uhrzeit});
        report_.errors << header_.errors;
        return header_.errors.isEmpty();
    }

    QString field(const CsvRecord &record, const QString &name,
                  const QString &otherwise = QString()) const
    {
        const int index = header_.columnOf.value(name, -1);
        return index < 0 ? otherwise : record.fields.at(index);
    }

    // The swipe of a line, or why the line is none that the engine would book.
    QString swipeOf(const CsvRecord &record, Swipe &swipe) const
    {
        if (record.fields.size() != header_.fieldCount)
            return QStringLiteral("%1 Felder statt %2 wie in der Kopfzeile")
                .arg(record.fields.size())
                .arg(header_.fieldCount);
        const QString time = clockTimeOf(field(record, datum), field(record, uhrzeit));
        if (time.isEmpty())
            return QStringLiteral("„%1 %2“ ist kein Zeitpunkt (Datum TT.MM.JJJJ, Uhrzeit HH:MM)")
                .arg(field(record, datum).left(20), field(record, uhrzeit).left(20));
        swipe = {field(record, firma, company_),
                 field(record, terminal).trimmed(),
                 kindOfBooking(field(record, art)),
                 field(record, karte),
                 time,
                 field(record, filiale)};
        return swipeRefusal(swipe);
    }

    // The next lot of at most so many swipes; on the reading thread. swipesRead
    // counts the swipes of the lots before.
    void readLot(int swipes, SwipeLot &lot, int &swipesRead)
    {
        QVector<Swipe> read;
        read.reserve(swipes);
        CsvRecord record;
        Swipe swipe;
        while (read.size() < swipes && reader_.next(record)) {
            const QString problem = swipeOf(record, swipe);
            if (!problem.isEmpty()) {
                lot.problem = QStringLiteral("Zeile %1: %2").arg(record.line).arg(problem);
                return;
            }
            read.append(swipe);
        }
        swipesRead += int(read.size());
        if (read.size() < swipes) {
            lot.last = true;
            if (!reader_.error().isEmpty())
                lot.problem = reader_.error();
            else if (swipesRead != report_.swipes)
                lot.problem =
                    QStringLiteral("%1 statt %2 Stempelungen").arg(swipesRead).arg(report_.swipes);
        }
        lot.swipes = prepareSwipes(read, session_.kind());
    }

    // Books a lot in a transaction of its own.
    void bookLot(const SwipeLot &lot)
    {
        const qsizetype swipes = lot.swipes.outcomes.size();
        if (swipes == 0)
            return;
        if (lotsBooked_++ > 0 && session_.kind() == EngineKind::Sqlite)
            QThread::msleep(pauseBetweenLotsMs);
        QElapsedTimer took;
        took.start();
        // Booked anew for each lot: the cards it reads may have changed hands in between.
        SwipeCounts counts;
        session_.transaction([&] { counts = SwipeBatch(session_).count(lot.swipes); });
        const qint64 milliseconds = qMax<qint64>(took.elapsed(), 1);
        const qint64 fitting =
            qBound<qint64>(swipes / 2, swipes * lotMilliseconds / milliseconds, swipes * 2);
        lotSize_ = int(qBound<qint64>(qint64(smallestLot), fitting, qint64(largestLot)));
        report_.timeBookings += counts.timeBookings;
        report_.unassigned += counts.unassigned;
        report_.bookedBefore += counts.bookedBefore;
    }

    // The second reading found what the first did not: someone changed the file meanwhile.
    void changed(const QString &problem)
    {
        report_.errors << QStringLiteral(
                              "Die Datei hat sich während des Einlesens geändert (%1). "
                              "Gebucht sind die Stempelungen davor; die Datei noch einmal "
                              "einlesen bucht den Rest.")
                              .arg(problem);
    }

    bool fail(const QString &problem)
    {
        report_.errors = QStringList{problem};
        report_.unlistedErrors = 0;
        return false;
    }

    void error(int line, const QString &problem)
    {
        if (report_.errors.size() < listedErrors)
            report_.errors << QStringLiteral("Zeile %1: %2").arg(line).arg(problem);
        else
            ++report_.unlistedErrors;
    }

    Session &session_;
    const QString path_;
    const QString company_;
    const qint64 length_;
    SwipeReport &report_;
    CsvReader reader_;
    CsvHeader header_;
    int lotSize_ = firstLot;
    int lotsBooked_ = 0;
};

} // namespace

SwipeReport importSwipes(Session &session, const QString &path, const QString &company,
                         qint64 length)
{
    SwipeReport report;
    SwipeFile file(session, path, company, length, report);
    if (!file.check())
        return report;
    if (session.kind() == EngineKind::Sqlite)
        session.exec(QStringLiteral("PRAGMA cache_size = -%1").arg(sqliteCacheKib));
    file.book();
    if (report.unassigned > 0)
        tellOfPendingBookings(session);
    if (report.timeBookings + report.unassigned > 0)
        session.renewStatistics({QStringLiteral("stempelung")});
    return report;
}

QStringList swipeErrorLines(const SwipeReport &report)
{
    QStringList lines = report.errors;
    if (report.unlistedErrors > 0)
        lines << QStringLiteral("… und %1 weitere fehlerhafte Zeilen").arg(report.unlistedErrors);
    return lines;
}
