#include "engine/ledger/ledgerstatements.h"


namespace LedgerStatement {

const QString takeCard = QStringLiteral(
    "INSERT INTO karte (firma, karte, pnr, zugeordnet_von, zugeordnet_am)"
    " VALUES (:firma, :karte, :pnr, :von, :am) ON CONFLICT (firma, karte) DO NOTHING");
// An update that changes nothing: it takes the row lock a plain read would not.
const QString lockCard =
    QStringLiteral("UPDATE karte SET pnr = pnr WHERE firma = :firma AND karte = :karte"
                   " RETURNING pnr, zuordnung_id");
const QString logAssignment =
    QStringLiteral("INSERT INTO kartenzuordnung (firma, karte, pnr_vorher, pnr, art, von, am)"
                   " VALUES (:firma, :karte, :vorher, :pnr, :art, :von, :am) RETURNING id");
const QString handOverCard =
    QStringLiteral("UPDATE karte SET pnr = :pnr, zugeordnet_von = :von, zugeordnet_am = :am,"
                   " zuordnung_id = :zuordnung WHERE firma = :firma AND karte = :karte");
const QString takeOverSwipes = QStringLiteral(
    "UPDATE stempelung SET pnr = :pnr, zuordnung_id = :zuordnung WHERE zuordnung_id = :vorige");
const QString takeOverListedSwipes = QStringLiteral(
    "UPDATE stempelung SET pnr = :pnr, zuordnung_id = :zuordnung WHERE zuordnung_id = :vorige"
    " AND id IN (SELECT stempel_id FROM kartenzuordnung_stempelung WHERE zuordnung_id = :vorige)");
const QString bookOpenSwipes = QStringLiteral(
    "UPDATE stempelung SET pnr = :pnr, zuordnung_id = :zuordnung, gebucht_am = :am"
    " WHERE firma = :firma AND karte = :karte AND pnr IS NULL AND erledigt_am IS NULL");
// The new assignment's id is this transaction's alone: the rows that carry it
// are exactly those its statements changed.
const QString recordSwipes = QStringLiteral(
    "INSERT INTO kartenzuordnung_stempelung (zuordnung_id, stempel_id, umgebucht)"
    " SELECT :zuordnung, id, :umgebucht FROM stempelung WHERE zuordnung_id = :zuordnung"
    " ON CONFLICT DO NOTHING");
const QString markDone = QStringLiteral(
    "UPDATE stempelung SET erledigt_am = :am, erledigt_von = :von, erledigt_kontext = :kontext"
    " WHERE id = :id AND pnr IS NULL AND erledigt_am IS NULL"
    " AND (CAST(:kontext_firma AS TEXT) IS NULL OR firma = :kontext_firma)");

const QString reopen = QStringLiteral(
    "UPDATE stempelung SET erledigt_am = NULL, erledigt_von = NULL, erledigt_kontext = NULL"
    " WHERE id = :id AND erledigt_am IS NOT NULL AND doppelt_von IS NULL");
const QString timeBookings =
    QStringLiteral("(SELECT id, firma, pnr, karte, buchungstext, substr(buchungstext, 31, 12) AS "
                   "zeitpunkt FROM stempelung"
                   " WHERE pnr IS NOT NULL AND doppelt_von IS NULL)");

} // namespace LedgerStatement

const QMap<QString, const QString *> &ledgerStatementsByName()
{
    static const QMap<QString, const QString *> statements{
        {QStringLiteral("takeCard"), &LedgerStatement::takeCard},
        {QStringLiteral("lockCard"), &LedgerStatement::lockCard},
        {QStringLiteral("logAssignment"), &LedgerStatement::logAssignment},
        {QStringLiteral("handOverCard"), &LedgerStatement::handOverCard},
        {QStringLiteral("takeOverSwipes"), &LedgerStatement::takeOverSwipes},
        {QStringLiteral("takeOverListedSwipes"), &LedgerStatement::takeOverListedSwipes},
        {QStringLiteral("bookOpenSwipes"), &LedgerStatement::bookOpenSwipes},
        {QStringLiteral("recordSwipes"), &LedgerStatement::recordSwipes},
        {QStringLiteral("markDone"), &LedgerStatement::markDone},
    };
    return statements;
}
