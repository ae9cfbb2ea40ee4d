#include "engine/ledger/ledgerschema.h"

#include "engine/session.h"

#include <QDateTime>
#include <QStringList>

namespace {

void execAll(Session &session, const QStringList &statements)
{
    for (const QString &statement : statements)
        session.exec(statement);
}

QString serialKey(const Session &session)
{
    return session.kind() == EngineKind::Sqlite
               ? QStringLiteral("INTEGER PRIMARY KEY AUTOINCREMENT")
               : QStringLiteral("BIGSERIAL PRIMARY KEY");
}

// The highest id a table has handed out, deleted rows included.
qint64 idsHandedOut(Session &session, const QString &table)
{
    const QString sequence =
        session.kind() == EngineKind::Sqlite
            ? QStringLiteral("SELECT seq FROM sqlite_sequence WHERE name = '%1'").arg(table)
            : QStringLiteral("SELECT CASE WHEN is_called THEN last_value ELSE 0 END FROM %1_id_seq")
                  .arg(table);
    const qint64 counted = session.firstValue(sequence).toLongLong();
    return qMax(
        counted,
        session.firstValue(QStringLiteral("SELECT max(id) FROM %1").arg(table)).toLongLong());
}

// Makes the table hand out ids above atLeast from now on.
void raiseIds(Session &session, const QString &table, qint64 atLeast)
{
    if (atLeast <= 0)
        return;
    if (session.kind() == EngineKind::Sqlite) {
        session.exec(QStringLiteral("DELETE FROM sqlite_sequence WHERE name = ?"), {table});
        session.exec(QStringLiteral("INSERT INTO sqlite_sequence (name, seq) VALUES (?, ?)"),
                     {table, atLeast});
        return;
    }
    session.exec(QStringLiteral("SELECT setval('%1_id_seq', ?)").arg(table), {atLeast});
}

// Company numbers were taken as written: "01" is company 1.
QString canonicalCompany(const QString &column)
{
    return QStringLiteral(
               "CASE WHEN %1 LIKE '0%' AND ltrim(%1, '0') <> '' THEN ltrim(%1, '0') ELSE %1 END")
        .arg(column);
}

void createTables(Session &session)
{
    execAll(
        session,
        {
            // pnr: the employee the swipe is booked to, null while it is open.
            // zuordnung_id: the card assignment by which it went to that
            // employee (null for a card from the master data); a correction
            // of that assignment moves exactly these. erledigt_*: taken off
            // the list without a booking, by whom and from which workstation.
            QStringLiteral(
                "CREATE TABLE stempelung (id %1,"
                " firma TEXT NOT NULL, karte TEXT NOT NULL, buchungstext TEXT NOT NULL,"
                " pnr TEXT, zuordnung_id BIGINT REFERENCES kartenzuordnung (id),"
                " gebucht_am TEXT, erledigt_am TEXT, erledigt_von TEXT, erledigt_kontext TEXT,"
                " doppelt_von BIGINT,"
                " CHECK (pnr IS NULL OR erledigt_am IS NULL),"
                " CHECK (pnr IS NULL OR pnr <> ''),"
                " CHECK (zuordnung_id IS NULL OR pnr IS NOT NULL),"
                " CHECK (doppelt_von IS NULL OR pnr IS NOT NULL OR erledigt_am IS NOT NULL))")
                .arg(serialKey(session)),
            // Which swipes an assignment booked (umgebucht 0) or took from
            // another employee (umgebucht 1).
            QStringLiteral(
                "CREATE TABLE kartenzuordnung_stempelung ("
                " zuordnung_id BIGINT NOT NULL REFERENCES kartenzuordnung (id),"
                " stempel_id BIGINT NOT NULL REFERENCES stempelung (id),"
                " umgebucht INTEGER NOT NULL DEFAULT 0, PRIMARY KEY (zuordnung_id, stempel_id))"),
            // The assignment by which the holder has the card: what a
            // correction or a "Ja" at the holder question takes back.
            QStringLiteral("ALTER TABLE karte ADD COLUMN zuordnung_id BIGINT"),
        });
}

// Every unassigned booking keeps its id; a time booking of its own gets one
// above every id the unassigned bookings handed out.
void copyBookings(Session &session)
{
    const qint64 offset = idsHandedOut(session, QStringLiteral("nopers"));
    const QString lastAssignmentOfBooking = QStringLiteral(
        "(SELECT max(x.zuordnung_id) FROM (SELECT b.zuordnung_id FROM kartenzuordnung_buchung b"
        " WHERE b.nopers_id = n.id UNION ALL SELECT m.zuordnung_id FROM "
        "kartenzuordnung_zeitbuchung m"
        " WHERE m.zeitbuchung_id = t.id) x)");
    session.exec(
        QStringLiteral("INSERT INTO stempelung (id, firma, karte, buchungstext, pnr, zuordnung_id,"
                       " gebucht_am, erledigt_am, erledigt_von)"
                       " SELECT n.id, %1, n.karte, n.buchungstext, t.pnr,"
                       " CASE WHEN t.id IS NULL THEN NULL ELSE %2 END,"
                       " CASE WHEN t.id IS NULL THEN NULL ELSE n.erledigt_am END,"
                       " CASE WHEN t.id IS NULL THEN n.erledigt_am END,"
                       " CASE WHEN t.id IS NULL AND n.erledigt_am IS NOT NULL THEN '' END"
                       " FROM nopers n LEFT JOIN zeitbuchung t ON t.nopers_id = n.id")
            .arg(canonicalCompany(QStringLiteral("n.firma")), lastAssignmentOfBooking));
    // A swipe of a held card went to the employee by the card's last
    // assignment to him (a correction that moved it, else the latest): when
    // it was booked was not kept, and its clock time says nothing of that.
    session.exec(
        QStringLiteral("INSERT INTO stempelung (id, firma, karte, buchungstext, pnr, zuordnung_id)"
                       " SELECT t.id + ?, %1, t.karte, t.buchungstext, t.pnr,"
                       " COALESCE((SELECT max(m.zuordnung_id) FROM kartenzuordnung_zeitbuchung m"
                       " WHERE m.zeitbuchung_id = t.id), (SELECT max(z.id) FROM kartenzuordnung z"
                       " WHERE z.firma = t.firma AND z.karte = t.karte AND z.pnr = t.pnr))"
                       " FROM zeitbuchung t WHERE t.nopers_id IS NULL")
            .arg(canonicalCompany(QStringLiteral("t.firma"))),
        {offset});
    raiseIds(session, QStringLiteral("stempelung"),
             qMax(offset + idsHandedOut(session, QStringLiteral("zeitbuchung")),
                  idsHandedOut(session, QStringLiteral("stempelung"))));

    // "WHERE true": SQLite would read ON CONFLICT as part of the join.
    execAll(
        session,
        {
            QStringLiteral(
                "INSERT INTO kartenzuordnung_stempelung (zuordnung_id, stempel_id, umgebucht)"
                " SELECT b.zuordnung_id, b.nopers_id, b.umgebucht FROM kartenzuordnung_buchung b"
                " JOIN stempelung s ON s.id = b.nopers_id WHERE true ON CONFLICT DO NOTHING"),
            QStringLiteral(
                "INSERT INTO kartenzuordnung_stempelung (zuordnung_id, stempel_id, umgebucht)"
                " SELECT m.zuordnung_id, COALESCE(t.nopers_id, t.id + %1), 1"
                " FROM kartenzuordnung_zeitbuchung m JOIN zeitbuchung t ON t.id = m.zeitbuchung_id"
                " WHERE true ON CONFLICT DO NOTHING")
                .arg(offset),
            QStringLiteral(
                "UPDATE karte SET zuordnung_id = (SELECT max(z.id) FROM kartenzuordnung z"
                " WHERE z.firma = karte.firma AND z.karte = karte.karte AND z.pnr = karte.pnr)"),
        });
}

// Swipes that earlier versions stored twice keep their rows, outside the
// identity: the booked copy, else the first, stays the swipe; a copy that
// was still open is taken off the list.
void markCopies(Session &session, const QString &when)
{
    const QString first = QStringLiteral(
        "(SELECT e.id FROM stempelung e WHERE e.firma = stempelung.firma"
        " AND substr(e.buchungstext, 1, 10) = substr(stempelung.buchungstext, 1, 10)"
        " AND substr(e.buchungstext, 21, 22) = substr(stempelung.buchungstext, 21, 22)"
        " ORDER BY CASE WHEN e.pnr IS NULL THEN 1 ELSE 0 END, e.id LIMIT 1)");
    const QString stillOpen = QStringLiteral("pnr IS NULL AND erledigt_am IS NULL");
    session.exec(QStringLiteral("CREATE INDEX stempelung_kennung_alle ON stempelung (%1)")
                     .arg(swipeIdentity));
    session.exec(
        QStringLiteral("UPDATE stempelung SET doppelt_von = %1,"
                       " erledigt_von = CASE WHEN %2 THEN 'doppelt' ELSE erledigt_von END,"
                       " erledigt_am = CASE WHEN %2 THEN ? ELSE erledigt_am END WHERE id <> %1")
            .arg(first, stillOpen),
        {when});
    session.exec(QStringLiteral("DROP INDEX stempelung_kennung_alle"));
}

void createIndexes(Session &session)
{
    execAll(session,
            {
                QStringLiteral("CREATE UNIQUE INDEX stempelung_kennung ON stempelung (%1) WHERE "
                               "doppelt_von IS NULL")
                    .arg(swipeIdentity),
                // Every poll reads the open swipes only; booked ones pile up over the years.
                QStringLiteral("CREATE INDEX stempelung_offen ON stempelung (id)"
                               " WHERE pnr IS NULL AND erledigt_am IS NULL"),
                QStringLiteral("CREATE INDEX stempelung_offen_firma ON stempelung (firma, id)"
                               " WHERE pnr IS NULL AND erledigt_am IS NULL"),
                QStringLiteral("CREATE INDEX stempelung_karte ON stempelung (firma, karte)"),
                QStringLiteral(
                    "CREATE INDEX stempelung_pnr ON stempelung (firma, pnr) WHERE pnr IS NOT NULL"),
                QStringLiteral("CREATE INDEX stempelung_zuordnung ON stempelung (zuordnung_id)"
                               " WHERE zuordnung_id IS NOT NULL"),
            });
}

void dropOldTables(Session &session)
{
    execAll(session, {
                         QStringLiteral("DROP TABLE kartenzuordnung_buchung"),
                         QStringLiteral("DROP TABLE kartenzuordnung_zeitbuchung"),
                         QStringLiteral("DROP TABLE zeitbuchung"),
                         QStringLiteral("DROP TABLE nopers"),
                     });
    if (session.kind() == EngineKind::Postgres)
        session.exec(QStringLiteral("DROP FUNCTION IF EXISTS nopers_melden()"));
}

} // namespace

void introduceSwipeLedger(Session &session)
{
    createTables(session);
    copyBookings(session);
    markCopies(session, QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMddHHmmss")));
    createIndexes(session);
    dropOldTables(session);
}
