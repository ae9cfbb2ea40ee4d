#include "swipeimport.h"

#include "csvreader.h"
#include "clocktime.h"
#include "engineerrors.h"
#include "session.h"
#include "timeclock.h"


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
    try {
        session.transaction([&] {
            SwipeBatch batch(session);
            for (const CsvRecord &record : csv.records.mid(1)) {
                const auto error = [&](const QString &problem) {
                    report.errors << QStringLiteral("Zeile %1: %2").arg(record.line).arg(problem);
                };
                if (record.fields.size() != header.fieldCount) {
                    error(QStringLiteral("%1 Felder statt %2 wie in der Kopfzeile")
                              .arg(record.fields.size())
                              .arg(header.fieldCount));
                    continue;
                }
                ++report.swipes;
                const QString time = clockTimeOf(field(record, datum), field(record, uhrzeit));
                if (time.isEmpty()) {
                    error(QStringLiteral(
                              "„%1 %2“ ist kein Zeitpunkt (Datum TT.MM.JJJJ, Uhrzeit HH:MM)")
                              .arg(field(record, datum).left(20), field(record, uhrzeit).left(20)));
                    continue;
                }
                try {
                    const std::optional<CardBooking> booking = batch.bookOnce(
                        field(record, firma, company), field(record, terminal).trimmed(),
                        kindOfBooking(field(record, art)), field(record, karte), time, field(record, filiale));
                    if (!booking)
                        ++report.bookedBefore;
                    else if (booking->kind == CardBooking::TimeBooking)
                        ++report.timeBookings;
                    else
                        ++report.unassigned;
                } catch (const CacheError &refused) {
                    // The swipe's own values are wrong; a failing database is no such line.
                    if (refused.number() != EngineError::InvalidValue)
                        throw;
                    error(refused.description());
                }
            }
            if (!report.errors.isEmpty())
                throw RollBack();
        });
    } catch (const RollBack &) {
    }
    return report;
}
