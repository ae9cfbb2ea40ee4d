#include "schema.h"

#include "session.h"

#include <QStringList>

namespace {
// Every poll reads the open bookings only; done ones pile up over the years.
const QString openBookingsIndex = QStringLiteral(
    "CREATE INDEX IF NOT EXISTS nopers_offen ON nopers (id) WHERE erledigt_am IS NULL");
} // namespace

// Texts are kept in the server's stored character form (umlauts as { | } ~ [ \ ]).
// Times are "yyyymmddhhmm" texts as the time clocks deliver them.
void ensureSchema(Session &session)
{
    const QString serialKey = session.kind() == EngineKind::Sqlite
                                  ? QStringLiteral("INTEGER PRIMARY KEY AUTOINCREMENT")
                                  : QStringLiteral("BIGSERIAL PRIMARY KEY");
    const QStringList statements = {
        // Login records of the personnel, key: company and personnel code.
        QStringLiteral("CREATE TABLE IF NOT EXISTS parpersedv ("
                       " firma TEXT NOT NULL, code TEXT NOT NULL,"
                       " passwort TEXT NOT NULL DEFAULT '', aktiv TEXT NOT NULL DEFAULT '',"
                       " pname TEXT NOT NULL DEFAULT '', pnr TEXT NOT NULL DEFAULT '',"
                       " abtnr TEXT NOT NULL DEFAULT '', dw TEXT NOT NULL DEFAULT '',"
                       " bergrp TEXT NOT NULL DEFAULT '', PRIMARY KEY (firma, code))"),
        QStringLiteral("CREATE TABLE IF NOT EXISTS parpersabt ("
                       " firma TEXT NOT NULL, abtnr TEXT NOT NULL,"
                       " abtbez TEXT NOT NULL DEFAULT '', habtnr TEXT NOT NULL DEFAULT '',"
                       " PRIMARY KEY (firma, abtnr))"),
        // Employees, key: company and employee number.
        QStringLiteral("CREATE TABLE IF NOT EXISTS persbasis ("
                       " firma TEXT NOT NULL, pnr TEXT NOT NULL,"
                       " name TEXT NOT NULL DEFAULT '', vorname TEXT NOT NULL DEFAULT '',"
                       " aktiv TEXT NOT NULL DEFAULT 'J', fax TEXT NOT NULL DEFAULT '',"
                       " email TEXT NOT NULL DEFAULT '', PRIMARY KEY (firma, pnr))"),
        // Which employee a card belongs to, who assigned it and when.
        QStringLiteral("CREATE TABLE IF NOT EXISTS karte ("
                       " firma TEXT NOT NULL, karte TEXT NOT NULL, pnr TEXT NOT NULL,"
                       " zugeordnet_von TEXT NOT NULL DEFAULT '',"
                       " zugeordnet_am TEXT NOT NULL DEFAULT '', PRIMARY KEY (firma, karte))"),
        // Bookings of cards that no employee owns yet. Deleting one only sets
        // erledigt_am: the record stays, so that a second workstation finishing
        // the same booking at the same moment finds it and deletes nothing twice.
        QStringLiteral("CREATE TABLE IF NOT EXISTS nopers (id %1,"
                       " firma TEXT NOT NULL, karte TEXT NOT NULL, buchungstext TEXT NOT NULL,"
                       " erledigt_am TEXT)")
            .arg(serialKey),
        QStringLiteral("CREATE INDEX IF NOT EXISTS nopers_karte ON nopers (firma, karte)"),
        openBookingsIndex,
        // Time bookings of employees; nopers_id marks one taken over from an
        // unassigned booking, so that it is never booked twice.
        QStringLiteral("CREATE TABLE IF NOT EXISTS zeitbuchung (id %1,"
                       " firma TEXT NOT NULL, pnr TEXT NOT NULL, karte TEXT NOT NULL,"
                       " zeitpunkt TEXT NOT NULL, buchungstext TEXT NOT NULL,"
                       " nopers_id BIGINT UNIQUE)")
            .arg(serialKey),
        QStringLiteral("CREATE INDEX IF NOT EXISTS zeitbuchung_pnr ON zeitbuchung (firma, pnr)"),
        // The company's database servers, one entry per company and branch.
        QStringLiteral("CREATE TABLE IF NOT EXISTS kassasw ("
                       " id INTEGER PRIMARY KEY CHECK (id BETWEEN 0 AND 254),"
                       " name TEXT NOT NULL DEFAULT '', firma TEXT NOT NULL DEFAULT '',"
                       " fil TEXT NOT NULL DEFAULT '', ip TEXT NOT NULL DEFAULT '',"
                       " port TEXT NOT NULL DEFAULT '', namespace TEXT NOT NULL DEFAULT '',"
                       " type INTEGER NOT NULL DEFAULT 0)"),
        // Global nodes such as ^FA(0); subscripts joined by the unit separator.
        QStringLiteral("CREATE TABLE IF NOT EXISTS globale ("
                       " name TEXT NOT NULL, subscripts TEXT NOT NULL, value TEXT NOT NULL,"
                       " PRIMARY KEY (name, subscripts))"),
    };
    for (const QString &statement : statements)
        session.exec(statement);
}

void upgradeSchema(Session &session)
{
    if (!session.columns(QStringLiteral("nopers")).contains(QStringLiteral("erledigt_am")))
        session.exec(QStringLiteral("ALTER TABLE nopers ADD COLUMN erledigt_am TEXT"));
    session.exec(openBookingsIndex);
}
