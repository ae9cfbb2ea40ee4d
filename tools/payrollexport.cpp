#include "tools/payrollexport.h"

#include "engine/ledger/ledgerstatements.h"

#include "cacheapi/objects/bookingtext.h"
#include "cacheapi/objects/clocktime.h"
#include "engine/session.h"
#include "engine/storedform.h"
#include "tools/admindatabase.h"
#include "tools/sheet/tablefiles.h"

#include <QDate>
#include <QSqlQuery>

namespace {

// The kind's name, or a clock's own code as it stands.
QString kindOf(const QString &bookingText)
{
    const QStringView kind = BookingText::field(bookingText, BookingText::kind);
    const QString name = BookingText::kindName(kind);
    return name.isEmpty() ? kind.toString() : name;
}

} // namespace

int exportTimeBookings(const AdminOptions &options, QTextStream &out, QTextStream &err)
{
    Session session(options.engine, options.target);
    if (!openExisting(session, options, err))
        return ExitFailure;
    // Times are "yyyymmddhhmm": a period is a range of their texts.
    QStringList conditions{QStringLiteral("z.zeitpunkt >= ?"), QStringLiteral("z.zeitpunkt < ?")};
    QVariantList values{QString(options.periodStart).remove(QLatin1Char('-')),
                        QDate::fromString(options.periodEnd, Qt::ISODate)
                            .addDays(1)
                            .toString(QStringLiteral("yyyyMMdd"))};
    if (options.companyGiven) {
        conditions << QStringLiteral("z.firma = ?");
        values << options.company.trimmed();
    }
    if (!options.employee.isEmpty()) {
        conditions << QStringLiteral("z.pnr = ?");
        values << options.employee.trimmed();
    }
    QSqlQuery rows = session.exec(
        QStringLiteral(
            "SELECT z.firma, z.pnr, COALESCE(p.name, ''), COALESCE(p.vorname, ''), z.zeitpunkt,"
            " z.buchungstext, z.karte FROM ") +
            LedgerStatement::timeBookings +
            QStringLiteral(" z LEFT JOIN persbasis p"
                           " ON p.firma = z.firma AND p.pnr = z.pnr WHERE ") +
            conditions.join(QStringLiteral(" AND ")) +
            QStringLiteral(" ORDER BY z.firma, z.pnr, z.zeitpunkt, z.id"),
        values);
    Table table{QStringLiteral("Zeitbuchungen"),
                {QStringLiteral("Firma"), QStringLiteral("Personalnummer"), QStringLiteral("Name"),
                 QStringLiteral("Vorname"), QStringLiteral("Datum"), QStringLiteral("Uhrzeit"),
                 QStringLiteral("Art"), QStringLiteral("Terminal"), QStringLiteral("Karte")},
                {}};
    while (rows.next()) {
        // A wall-clock time, never the machine's local time: the hour that
        // daylight saving skips or repeats goes out as the clock wrote it.
        const ClockReading moment = readClockTime(rows.value(4).toString());
        const QString text = rows.value(5).toString();
        table.rows << QVariantList{
            rows.value(0).toString(),
            storedToDisplay(rows.value(1).toString()),
            storedToDisplay(rows.value(2).toString()),
            storedToDisplay(rows.value(3).toString()),
            moment.day,
            moment.timeOfDay,
            kindOf(text),
            BookingText::field(text, BookingText::terminal).trimmed().toString(),
            rows.value(6).toString().trimmed()};
    }
    const TableFiles files{options.file, options.xlsxFile};
    const QString problem = writeTableFiles(table, files, options.force);
    if (!problem.isEmpty()) {
        err << problem << '\n';
        return ExitFailure;
    }
    out << table.rows.size() << " Zeitbuchungen vom " << options.periodStart << " bis "
        << options.periodEnd << " in " << files.names() << " geschrieben.\n";
    return ExitSuccess;
}
