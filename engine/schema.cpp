#include "engine/schema.h"

#include "engine/engineerrors.h"
#include "engine/ledger/ledgerschema.h"
#include "engine/login/loginschema.h"
#include "engine/session.h"
#include "engine/sharedstatements.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QThread>
#include <QFile>
#include <QStringList>
#include <functional>

namespace {

// Every poll reads the open bookings only; done ones pile up over the years.
const QString openBookingsIndex = QStringLiteral(
    "CREATE INDEX IF NOT EXISTS nopers_offen ON nopers (id) WHERE erledigt_am IS NULL");

QString serialKey(const Session &session)
{
    return session.kind() == EngineKind::Sqlite
               ? QStringLiteral("INTEGER PRIMARY KEY AUTOINCREMENT")
               : QStringLiteral("BIGSERIAL PRIMARY KEY");
}

void execAll(Session &session, const QStringList &statements)
{
    for (const QString &statement : statements)
        session.exec(statement);
}

// The tables as the first release made them. Texts are kept in the server's
// stored character form (umlauts as { | } ~ [ \ ]); times are "yyyymmddhhmm"
// texts as the time clocks deliver them.
void createFirstVersion(Session &session)
{
    execAll(
        session,
        {
            // Login records of the personnel, key: company and personnel code.
            QStringLiteral("CREATE TABLE parpersedv ("
                           " firma TEXT NOT NULL, code TEXT NOT NULL,"
                           " passwort TEXT NOT NULL DEFAULT '', aktiv TEXT NOT NULL DEFAULT '',"
                           " pname TEXT NOT NULL DEFAULT '', pnr TEXT NOT NULL DEFAULT '',"
                           " abtnr TEXT NOT NULL DEFAULT '', dw TEXT NOT NULL DEFAULT '',"
                           " bergrp TEXT NOT NULL DEFAULT '', PRIMARY KEY (firma, code))"),
            QStringLiteral("CREATE TABLE parpersabt ("
                           " firma TEXT NOT NULL, abtnr TEXT NOT NULL,"
                           " abtbez TEXT NOT NULL DEFAULT '', habtnr TEXT NOT NULL DEFAULT '',"
                           " PRIMARY KEY (firma, abtnr))"),
            // Employees, key: company and employee number.
            QStringLiteral("CREATE TABLE persbasis ("
                           " firma TEXT NOT NULL, pnr TEXT NOT NULL,"
                           " name TEXT NOT NULL DEFAULT '', vorname TEXT NOT NULL DEFAULT '',"
                           " aktiv TEXT NOT NULL DEFAULT 'J', fax TEXT NOT NULL DEFAULT '',"
                           " email TEXT NOT NULL DEFAULT '', PRIMARY KEY (firma, pnr))"),
            // Which employee a card belongs to, who assigned it and when.
            QStringLiteral("CREATE TABLE karte ("
                           " firma TEXT NOT NULL, karte TEXT NOT NULL, pnr TEXT NOT NULL,"
                           " zugeordnet_von TEXT NOT NULL DEFAULT '',"
                           " zugeordnet_am TEXT NOT NULL DEFAULT '', PRIMARY KEY (firma, karte))"),
            // Bookings of cards that no employee owns yet. Deleting one only sets
            // erledigt_am: the record stays, so that a second workstation finishing
            // the same booking at the same moment finds it and deletes nothing twice.
            QStringLiteral("CREATE TABLE nopers (id %1,"
                           " firma TEXT NOT NULL, karte TEXT NOT NULL, buchungstext TEXT NOT NULL,"
                           " erledigt_am TEXT)")
                .arg(serialKey(session)),
            QStringLiteral("CREATE INDEX nopers_karte ON nopers (firma, karte)"),
            openBookingsIndex,
            // Time bookings of employees; nopers_id marks one taken over from an
            // unassigned booking, so that it is never booked twice.
            QStringLiteral("CREATE TABLE zeitbuchung (id %1,"
                           " firma TEXT NOT NULL, pnr TEXT NOT NULL, karte TEXT NOT NULL,"
                           " zeitpunkt TEXT NOT NULL, buchungstext TEXT NOT NULL,"
                           " nopers_id BIGINT UNIQUE)")
                .arg(serialKey(session)),
            QStringLiteral("CREATE INDEX zeitbuchung_pnr ON zeitbuchung (firma, pnr)"),
            // The company's database servers, one entry per company and branch.
            QStringLiteral("CREATE TABLE kassasw ("
                           " id INTEGER PRIMARY KEY CHECK (id BETWEEN 0 AND 254),"
                           " name TEXT NOT NULL DEFAULT '', firma TEXT NOT NULL DEFAULT '',"
                           " fil TEXT NOT NULL DEFAULT '', ip TEXT NOT NULL DEFAULT '',"
                           " port TEXT NOT NULL DEFAULT '', namespace TEXT NOT NULL DEFAULT '',"
                           " type INTEGER NOT NULL DEFAULT 0)"),
            // Global nodes such as ^FA(0); subscripts joined by the unit separator.
            QStringLiteral("CREATE TABLE globale ("
                           " name TEXT NOT NULL, subscripts TEXT NOT NULL, value TEXT NOT NULL,"
                           " PRIMARY KEY (name, subscripts))"),
        });
}

// Databases of the first release before bookings were only marked done.
void completeFirstVersion(Session &session)
{
    if (!session.columns(QStringLiteral("nopers")).contains(QStringLiteral("erledigt_am")))
        session.exec(QStringLiteral("ALTER TABLE nopers ADD COLUMN erledigt_am TEXT"));
    session.exec(openBookingsIndex);
}

// The assignment log, and bookings booked along with their card off the list.
void addAssignmentLog(Session &session)
{
    execAll(
        session,
        {
            QStringLiteral("CREATE TABLE schemaversion (version INTEGER NOT NULL)"),
            QStringLiteral("INSERT INTO schemaversion (version) VALUES (1)"),
            // Every card assignment, appended and never changed: who had the card
            // before (empty: nobody), who has it now, who assigned it and when.
            // art: Z a card assigned, W a card moved from its previous holder.
            QStringLiteral("CREATE TABLE kartenzuordnung (id %1,"
                           " firma TEXT NOT NULL, karte TEXT NOT NULL,"
                           " pnr_vorher TEXT NOT NULL DEFAULT '', pnr TEXT NOT NULL,"
                           " art TEXT NOT NULL, von TEXT NOT NULL DEFAULT '', am TEXT NOT NULL)")
                .arg(serialKey(session)),
            QStringLiteral("CREATE INDEX kartenzuordnung_karte ON kartenzuordnung (firma, karte)"),
            QStringLiteral("CREATE INDEX kartenzuordnung_am ON kartenzuordnung (am)"),
            // The unassigned bookings an assignment booked (umgebucht 0), or whose
            // time booking it moved from the previous holder (umgebucht 1).
            QStringLiteral("CREATE TABLE kartenzuordnung_buchung ("
                           " zuordnung_id BIGINT NOT NULL REFERENCES kartenzuordnung (id),"
                           " nopers_id BIGINT NOT NULL, umgebucht INTEGER NOT NULL DEFAULT 0,"
                           " PRIMARY KEY (zuordnung_id, nopers_id))"),
            // Polls of one company read its open bookings only.
            QStringLiteral(
                "CREATE INDEX nopers_offen_firma ON nopers (firma, id) WHERE erledigt_am IS NULL"),
        });
    // Bookings that an earlier assignment of their card booked are no longer unassigned.
    session.exec(QStringLiteral(
                     "UPDATE nopers SET erledigt_am = ? WHERE erledigt_am IS NULL"
                     " AND id IN (SELECT nopers_id FROM zeitbuchung WHERE nopers_id IS NOT NULL)"),
                 {QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMddHHmmss"))});
}

// Master data and swipes from files: employees belong to a department, as the
// office programs deliver them, and a swipe file read twice must find the
// swipes it booked the first time.
void prepareForImports(Session &session)
{
    execAll(
        session,
        {
            QStringLiteral("ALTER TABLE persbasis ADD COLUMN abtnr TEXT NOT NULL DEFAULT ''"),
            QStringLiteral("CREATE INDEX zeitbuchung_text ON zeitbuchung (firma, buchungstext)"),
            QStringLiteral("CREATE INDEX nopers_text ON nopers (firma, buchungstext)"),
        });
}

// The time bookings that a correction of an assignment moved to the right employee.
void addCorrectedTimeBookings(Session &session)
{
    session.exec(QStringLiteral("CREATE TABLE kartenzuordnung_zeitbuchung ("
                                " zuordnung_id BIGINT NOT NULL REFERENCES kartenzuordnung (id),"
                                " zeitbuchung_id BIGINT NOT NULL,"
                                " PRIMARY KEY (zuordnung_id, zeitbuchung_id))"));
}

// A workstation learns of new bookings from the server instead of at its next
// poll, whoever writes them: once a statement, by company, told as the
// workstation functions decide (intern.neue_buchungen).
void notifyNewBookings(Session &session)
{
    if (session.kind() != EngineKind::Postgres)
        return;
    execAll(session, {
                         QStringLiteral("DROP TRIGGER IF EXISTS stempelung_neu ON stempelung"),
                         QStringLiteral("DROP FUNCTION IF EXISTS stempelung_melden()"),
                         QStringLiteral("CREATE TRIGGER stempelung_neu AFTER INSERT ON stempelung"
                                        " REFERENCING NEW TABLE AS neu FOR EACH STATEMENT"
                                        " EXECUTE FUNCTION intern.neue_buchungen()"),
                     });
}

// Every change of the server list, since an entry decides where the
// workstations send their users' passwords: who, when, before and after
// (the values joined by ";").
void logServerEntryChanges(Session &session)
{
    session.exec(QStringLiteral("CREATE TABLE kassasw_protokoll (id %1, am TEXT NOT NULL, von TEXT NOT NULL,"
                                " eintrag INTEGER NOT NULL, vorher TEXT NOT NULL, nachher TEXT NOT NULL)")
                     .arg(serialKey(session)));
}

// On PostgreSQL workstations work through server-side functions only; the
// functions are replaced whole by each version that changes them.
void installWorkstationFunctions(Session &session)
{
    if (session.kind() != EngineKind::Postgres)
        return;
    QFile script(QStringLiteral(":/engine/sql/workstation.sql"));
    if (!script.open(QIODevice::ReadOnly))
        EngineError::raise(EngineError::DatabaseFailure,
                           QStringLiteral("Die Serverfunktionen fehlen in diesem Programm"));
    session.execScript(expandSharedStatements(QString::fromUtf8(script.readAll())));
}

struct UpgradeStep
{
    int toVersion;
    std::function<void(Session &)> apply;
};

// In order; each step takes a database from the version before it to toVersion.
const QVector<UpgradeStep> &upgradeSteps()
{
    static const QVector<UpgradeStep> steps = {
        {2, addAssignmentLog},
        {3, prepareForImports},
        {4, addCorrectedTimeBookings},
        // Version 5 told of new bookings row by row; version 9 does it anew.
        {5, [](Session &) {}},
        // A later version that changes a function runs the script again.
        {6, installWorkstationFunctions},
        {7,
         [](Session &session) {
             introduceSwipeLedger(session);
             installWorkstationFunctions(session);
         }},
        {8,
         [](Session &session) {
             logServerEntryChanges(session);
             installWorkstationFunctions(session);
             keepDerivedPasswords(session);
         }},
        {9,
         [](Session &session) {
             installWorkstationFunctions(session);
             notifyNewBookings(session);
         }},
        // The login check of every call, cheaper.
        {10, installWorkstationFunctions},
        // Reads ask the login's company only; changes ask whether the user is active.
        {11, installWorkstationFunctions},
    };
    return steps;
}

void runSteps(Session &session, int fromVersion, int toVersion)
{
    for (const UpgradeStep &step : upgradeSteps()) {
        if (step.toVersion <= fromVersion || step.toVersion > toVersion)
            continue;
        step.apply(session);
        session.exec(QStringLiteral("UPDATE schemaversion SET version = ?"), {step.toVersion});
    }
}

// What a workstation's role can learn of the version: the function that tells
// it came with version 6; 0 for a database from before.
int workstationSchemaVersion(Session &session)
{
    const bool hasFunctions =
        session
            .firstValue(QStringLiteral("SELECT count(*) FROM pg_proc p JOIN pg_namespace n"
                                       " ON n.oid = p.pronamespace WHERE n.nspname = 'arbeitsplatz'"
                                       " AND p.proname = 'schemaversion'"))
            .toInt() > 0;
    return hasFunctions
               ? session.firstValue(QStringLiteral("SELECT arbeitsplatz.schemaversion()")).toInt()
               : 0;
}

// Two programs opening an old database at once upgrade it once. Any role may
// take the lock, so it is waited for only as long as the server's lock_timeout
// (30 seconds where none is set), and then who holds it is named.
void takeUpgradeLock(Session &session)
{
    constexpr int upgradeLock = 1973;
    const qint64 configured =
        session.firstValue(QStringLiteral("SELECT EXTRACT(epoch FROM CAST(current_setting('lock_timeout')"
                                          " AS interval)) * 1000"))
            .toDouble();
    const qint64 patience = configured > 0 ? configured : 30000;
    QElapsedTimer waited;
    waited.start();
    while (!session.firstValue(QStringLiteral("SELECT pg_try_advisory_xact_lock(?)"), {upgradeLock}).toBool()) {
        if (waited.elapsed() >= patience) {
            const QString holders =
                session
                    .firstValue(QStringLiteral(
                                    "SELECT string_agg(format('Rolle %s, Adresse %s, Prozess %s, Programm \"%s\"',"
                                    " a.usename, coalesce(host(a.client_addr), 'lokal'), a.pid, a.application_name),"
                                    " '; ') FROM pg_locks l JOIN pg_stat_activity a ON a.pid = l.pid"
                                    " WHERE l.locktype = 'advisory' AND l.objid = ? AND l.granted"),
                                {upgradeLock})
                    .toString();
            EngineError::raise(EngineError::DatabaseFailure,
                               QStringLiteral("Die Aktualisierung der Datenbank %1 wartet seit %2 s auf ihre Sperre, "
                                              "die eine andere Verbindung hält (%3); nichts geändert. Diese "
                                              "Verbindung beenden oder später erneut versuchen.")
                                   .arg(session.location())
                                   .arg(patience / 1000.0)
                                   .arg(holders.isEmpty() ? QStringLiteral("nicht mehr sichtbar") : holders));
        }
        QThread::msleep(100);
    }
}

} // namespace

void createSchema(Session &session)
{
    createSchemaAtVersion(session, currentSchemaVersion);
}

void createSchemaAtVersion(Session &session, int version)
{
    createFirstVersion(session);
    runSteps(session, 1, version);
}

int schemaVersion(Session &session)
{
    if (!session.ownsTables())
        return workstationSchemaVersion(session);
    if (!session.tables().contains(QStringLiteral("schemaversion")))
        return 1;
    const QVariant version =
        session.firstValue(QStringLiteral("SELECT max(version) FROM schemaversion"));
    return version.isValid() && !version.isNull() ? version.toInt() : 1;
}

void upgradeSchema(Session &session)
{
    const auto refuseNewer = [](int version) {
        EngineError::raise(
            EngineError::DatabaseFailure,
            QStringLiteral("Die Datenbank hat die Version %1; dieses Programm kennt nur "
                           "Versionen bis %2. Bitte das Programm aktualisieren.")
                .arg(version)
                .arg(currentSchemaVersion));
    };
    const int found = schemaVersion(session);
    if (found > currentSchemaVersion)
        refuseNewer(found);
    if (found == currentSchemaVersion)
        return;
    if (!session.ownsTables())
        EngineError::raise(
            EngineError::DatabaseFailure,
            QStringLiteral("Die Datenbank %1 ist älter als dieses Programm (Version %2); ein "
                           "Administrator bringt sie mit \"karven-admin create\" auf diesen Stand")
                .arg(session.location())
                .arg(currentSchemaVersion));
    session.transaction([&] {
        if (session.kind() == EngineKind::Postgres)
            takeUpgradeLock(session);
        const int version = schemaVersion(session);
        if (version == 1)
            completeFirstVersion(session);
        runSteps(session, version, currentSchemaVersion);
    });
}
