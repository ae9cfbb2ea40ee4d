#include "engine/ledger/ledgercheck.h"

#include "engine/ledger/ledgerschema.h"
#include "engine/session.h"

#include <QSqlQuery>
#include <QVector>

namespace {

// How many rows of one finding are listed; the count says how many there are.
constexpr int listedRows = 20;

struct Finding
{
    QString what; // German, with %1 for the row's first column and %2 for its second
    QString sql;
};

// Each finding's statement answers the row's key columns.
const QVector<Finding> &violations()
{
    static const QVector<Finding> findings = {
        {"Buchung %1 ist doppelt gespeichert (Firma %2)",
         QStringLiteral(
             "SELECT min(id), firma FROM stempelung WHERE doppelt_von IS NULL GROUP BY %1"
             " HAVING count(*) > 1")
             .arg(swipeIdentity)},
        {"Buchung %1 ist Mitarbeiter %2 gebucht, die Zuordnung im Protokoll nennt einen anderen",
         "SELECT s.id, s.pnr FROM stempelung s JOIN kartenzuordnung z ON z.id = s.zuordnung_id"
         " WHERE z.pnr <> s.pnr OR z.firma <> s.firma OR z.karte <> s.karte"},
        {"Buchung %1 nennt eine Zuordnung %2, die im Protokoll fehlt",
         "SELECT s.id, s.zuordnung_id FROM stempelung s LEFT JOIN kartenzuordnung z ON z.id = "
         "s.zuordnung_id"
         " WHERE s.zuordnung_id IS NOT NULL AND z.id IS NULL"},
        {"Karte %1 gehört Mitarbeiter %2, ohne dass das Protokoll diesen Wechsel zeigt",
         "SELECT k.karte, k.pnr FROM karte k WHERE EXISTS (SELECT 1 FROM kartenzuordnung z"
         " WHERE z.firma = k.firma AND z.karte = k.karte) AND NOT EXISTS (SELECT 1 FROM "
         "kartenzuordnung z"
         " WHERE z.id = k.zuordnung_id AND z.pnr = k.pnr)"},
    };
    return findings;
}

const QVector<Finding> &notes()
{
    static const QVector<Finding> findings = {
        {"Buchung %1 ist eine Kopie von Buchung %2 aus einer älteren Version; sie zählt nicht",
         "SELECT id, doppelt_von FROM stempelung WHERE doppelt_von IS NOT NULL"},
        {"Buchung %1 ist offen, obwohl Mitarbeiter %2 die Karte hat; bitte zuordnen",
         "SELECT s.id, k.pnr FROM stempelung s JOIN karte k ON k.firma = s.firma AND k.karte = "
         "s.karte"
         " WHERE s.pnr IS NULL AND s.erledigt_am IS NULL"},
    };
    return findings;
}

QStringList find(Session &session, const QVector<Finding> &findings)
{
    QStringList lines;
    for (const Finding &finding : findings) {
        QSqlQuery rows = session.exec(finding.sql);
        int count = 0;
        while (rows.next()) {
            if (++count <= listedRows)
                lines << finding.what.arg(rows.value(0).toString().trimmed(),
                                          rows.value(1).toString());
        }
        if (count > listedRows)
            lines << QStringLiteral("… und %1 weitere dieser Art").arg(count - listedRows);
    }
    return lines;
}

} // namespace

LedgerFindings checkLedger(Session &session)
{
    return {find(session, violations()), find(session, notes())};
}
