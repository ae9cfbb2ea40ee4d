#include "tools/assignmentlog.h"

#include "cacheapi/objects/assignmentkind.h"
#include "cacheapi/objects/clocktime.h"
#include "engine/session.h"
#include "engine/storedform.h"
#include "tools/admindatabase.h"
#include "tools/sheet/tablefiles.h"

#include <QDateTime>
#include <QMap>
#include <QSqlQuery>

namespace {

struct LogEntry
{
    QString id;
    QVariant when; // the moment, or the stored text where it is none
    QString company, card, previous, employee, kind, who;
    QStringList booked, moved; // ids of unassigned bookings
};

// A wall-clock moment: UTC, so that nothing takes it for the machine's time.
QVariant readableMoment(const QString &stamp)
{
    const ClockReading moment = stamp.size() == 14 ? readClockTime(stamp) : ClockReading();
    return moment.isValid() ? QVariant(QDateTime(moment.day, moment.timeOfDay, Qt::UTC))
                            : QVariant(stamp);
}

QVector<LogEntry> readLog(Session &session, const AdminOptions &options)
{
    QStringList conditions{QStringLiteral("z.firma = ?")};
    QVariantList values{options.company.trimmed()};
    if (!options.card.isEmpty()) {
        conditions << QStringLiteral("trim(z.karte) = ?");
        values << options.card.trimmed();
    }
    if (!options.employee.isEmpty()) {
        conditions << QStringLiteral("(z.pnr = ? OR z.pnr_vorher = ?)");
        values << options.employee.trimmed() << options.employee.trimmed();
    }
    if (!options.day.isEmpty()) {
        conditions << QStringLiteral("substr(z.am, 1, 8) = ?");
        values << QString(options.day).remove(QLatin1Char('-'));
    }
    QSqlQuery rows = session.exec(
        QStringLiteral(
            "SELECT z.id, z.am, z.firma, z.karte, z.pnr_vorher, z.pnr, z.art, z.von, b.stempel_id,"
            " b.umgebucht FROM kartenzuordnung z LEFT JOIN kartenzuordnung_stempelung b"
            " ON b.zuordnung_id = z.id WHERE ") +
            conditions.join(QStringLiteral(" AND ")) +
            QStringLiteral(" ORDER BY z.id, b.stempel_id"),
        values);
    QVector<LogEntry> entries;
    while (rows.next()) {
        const QString id = rows.value(0).toString();
        if (entries.isEmpty() || entries.last().id != id)
            entries.append({id,
                            readableMoment(rows.value(1).toString()),
                            rows.value(2).toString(),
                            rows.value(3).toString().trimmed(),
                            rows.value(4).toString(),
                            rows.value(5).toString(),
                            assignmentKindName(rows.value(6).toString()),
                            storedToDisplay(rows.value(7).toString()),
                            {},
                            {}});
        if (!rows.value(8).isNull())
            (rows.value(9).toInt() ? entries.last().moved : entries.last().booked)
                << rows.value(8).toString();
    }
    return entries;
}

QVariantList fields(const LogEntry &entry)
{
    return {entry.id,
            entry.when,
            entry.company,
            entry.card,
            entry.previous,
            entry.employee,
            entry.kind,
            entry.who,
            entry.booked.join(QLatin1Char(',')),
            entry.moved.join(QLatin1Char(','))};
}

} // namespace

int showAssignmentLog(const AdminOptions &options, QTextStream &out, QTextStream &err)
{
    Session session(options.engine, options.target);
    if (!openExisting(session, options, err))
        return ExitFailure;
    const QVector<LogEntry> entries = readLog(session, options);
    const TableFiles files{options.file, options.xlsxFile};
    if (!files.names().isEmpty()) {
        Table table{QStringLiteral("Zuordnungen"),
                    {QStringLiteral("Nr"), QStringLiteral("Zeitpunkt"), QStringLiteral("Firma"),
                     QStringLiteral("Karte"), QStringLiteral("Bisher"),
                     QStringLiteral("Mitarbeiter"), QStringLiteral("Art"), QStringLiteral("Von"),
                     QStringLiteral("Gebuchte Buchungen"), QStringLiteral("Umgebuchte Buchungen")},
                    {}};
        for (const LogEntry &entry : entries)
            table.rows << fields(entry);
        const QString problem = writeTableFiles(table, files, options.force);
        if (!problem.isEmpty()) {
            err << problem << '\n';
            return ExitFailure;
        }
        out << entries.size() << " Zuordnungen in " << files.names() << " geschrieben.\n";
        return ExitSuccess;
    }
    for (const LogEntry &entry : entries) {
        QStringList texts;
        for (const QVariant &cell : fields(entry))
            texts << cellText(cell);
        out << texts.join(QLatin1Char('\t')) << '\n';
    }
    if (entries.isEmpty())
        out << "Keine Zuordnungen.\n";
    return ExitSuccess;
}
