#include "swipeimport.h"

#include "csvreader.h"
#include "clocktime.h"
#include "session.h"
#include "timeclock.h"

#include <QMap>


namespace {

const QString firma = QStringLiteral("Firma");
const QString filiale = QStringLiteral("Filiale");
const QString terminal = QStringLiteral("Terminal");
const QString karte = QStringLiteral("Karte");
const QString art = QStringLiteral("Art");
const QString datum = QStringLiteral("Datum");
const QString uhrzeit = QStringLiteral("Uhrzeit");

// Thrown to take back what a file with errors had booked.
struct RollBack
{
};

QString kindOfBooking(const QString &text)
{
    const QString kind = text.trimmed().toUpper();
    if (kind == QLatin1String("KOMMEN"))
        return QStringLiteral("K");
    if (kind == QLatin1String("GEHEN"))
        return QStringLiteral("G");
    return kind;
}

} // namespace

SwipeReport importSwipes(Session &session, const QString &path, const QString &company)
{
    SwipeReport report;
    const CsvFile csv = readCsvFile(path);
    report.encoding = csv.encoding;
    if (!csv.error.isEmpty() || csv.records.isEmpty()) {
        report.errors << (csv.error.isEmpty()
                              ? QStringLiteral("Die Datei ist leer; erwartet wird eine Kopfzeile")
                              : csv.error);
        return report;
    }
    const CsvHeader header =
        readCsvHeader(csv.records.first(), {firma, filiale, terminal, karte, art, datum, uhrzeit},
                      {terminal, karte, art, datum, uhrzeit});
    if (!header.errors.isEmpty()) {
        report.errors = header.errors;
        return report;
    }
    const auto field = [&](const CsvRecord &record, const QString &name,
                           const QString &otherwise = QString()) {
        const int index = header.columnOf.value(name, -1);
        return index < 0 ? otherwise : record.fields.at(index);
    };
    QVector<Swipe> swipes;
    QVector<int> lineOfSwipe;
    QMap<int, QString> errorOfLine; // in the order of the lines, whichever check found it
    const auto error = [&](int line, const QString &problem) {
        errorOfLine.insert(line, QStringLiteral("Zeile %1: %2").arg(line).arg(problem));
    };
    for (const CsvRecord &record : csv.records.mid(1)) {
        if (record.fields.size() != header.fieldCount) {
            error(record.line,
                  QStringLiteral("%1 Felder statt %2 wie in der Kopfzeile").arg(record.fields.size()).arg(header.fieldCount));
            continue;
        }
        ++report.swipes;
        const QString time = clockTimeOf(field(record, datum), field(record, uhrzeit));
        if (time.isEmpty()) {
            error(record.line, QStringLiteral("„%1 %2“ ist kein Zeitpunkt (Datum TT.MM.JJJJ, Uhrzeit HH:MM)")
                                   .arg(field(record, datum).left(20), field(record, uhrzeit).left(20)));
            continue;
        }
        swipes.append({field(record, firma, company), field(record, terminal).trimmed(),
                       kindOfBooking(field(record, art)), field(record, karte), time, field(record, filiale)});
        lineOfSwipe.append(record.line);
    }
    try {
        session.transaction([&] {
            const QVector<SwipeOutcome> outcomes = SwipeBatch(session).book(swipes);
            for (qsizetype i = 0; i < outcomes.size(); ++i) {
                switch (outcomes.at(i).kind) {
                case SwipeOutcome::TimeBooking:
                    ++report.timeBookings;
                    break;
                case SwipeOutcome::UnassignedBooking:
                    ++report.unassigned;
                    break;
                case SwipeOutcome::BookedBefore:
                    ++report.bookedBefore;
                    break;
                case SwipeOutcome::Refused:
                    error(lineOfSwipe.at(i), outcomes.at(i).refusal);
                    break;
                }
            }
            report.errors = errorOfLine.values();
            if (!report.errors.isEmpty())
                throw RollBack();
        });
    } catch (const RollBack &) {
        return report;
    }
    session.renewStatistics({QStringLiteral("stempelung")});
    return report;
}
