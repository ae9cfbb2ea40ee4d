#include "tools/admincommands.h"

#include "tools/admindatabase.h"
#include "tools/assignmentlog.h"

#include "cacheapi/objects/cacheerror.h"
#include "engine/cardassignment.h"
#include "engine/databaseadmin.h"
#include "engine/databasecheck.h"
#include "engine/ledger/ledgercheck.h"
#include "engine/ledger/ledgerstatements.h"
#include "engine/schema.h"
#include "engine/session.h"
#include "engine/storedform.h"
#include "engine/timeclock.h"
#include "tools/backup/databasebackup.h"
#include "tools/commandline/commandtable.h"
#include "tools/companyrecord.h"
#include "tools/demodata.h"
#include "tools/import/importcommand.h"
#include "tools/payrollexport.h"
#include "tools/serverentries.h"
#include "tools/sitecheck.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlQuery>
#include <QSqlRecord>

namespace {

bool createDatabase(const AdminOptions &options, QTextStream &err)
{
    QString error;
    if (DatabaseAdmin::create(options.engine, options.target, &error))
        return true;
    err << "Datenbank " << databaseLocation(options)
        << " kann nicht angelegt werden: " << connectionFailure(error) << '\n';
    return false;
}

// Whether the database is set up with a company record already, so that
// create may run without one: an update of a working site. Creates nothing.
bool holdsCompanyRecord(const AdminOptions &options, QString *why)
{
    if (options.engine == EngineKind::Sqlite &&
        !QFileInfo::exists(embeddedDatabaseFile(options.target))) {
        *why = QStringLiteral("sie existiert noch nicht");
        return false;
    }
    Session probe(options.engine, options.target);
    if (!probe.open(Session::SchemaCreation::Never)) {
        *why = connectionFailure(probe.lastError());
        return false;
    }
    *why = QStringLiteral("sie hat keinen Firmeneintrag");
    return readCompanyRecord(probe).has_value();
}
} // namespace

int createSite(const AdminOptions &options, QTextStream &out, QTextStream &err)
{
    // A site database without its company record would greet every
    // workstation with an error at its first start.
    const bool recordGiven = !options.companyName.isEmpty() || !options.wj.isEmpty();
    if (recordGiven) {
        const QString problem = options.companyName.isEmpty() || options.wj.isEmpty()
                                    ? QStringLiteral("create braucht --name und --wj zusammen")
                                    : companyRecordProblem({options.wj, options.companyName});
        if (!problem.isEmpty()) {
            err << problem << "; nichts angelegt.\n";
            return ExitFailure;
        }
    } else if (QString why; !holdsCompanyRecord(options, &why)) {
        err << "Datenbank " << databaseLocation(options) << " ist noch nicht eingerichtet (" << why
            << "); create braucht dafür den Firmeneintrag: --name FIRMENNAME --wj JJJJ. Nichts "
               "angelegt.\n";
        return ExitFailure;
    }
    if (!createDatabase(options, err))
        return ExitFailure;
    // A database that was there already is ready only when it is sound.
    Session session(options.engine, options.target);
    if (!openExisting(session, options, err))
        return ExitFailure;
    if (recordGiven && !changeCompanyRecord(session, options, out, err))
        return ExitFailure;
    out << "Datenbank bereit: " << databaseLocation(options) << '\n';
    return ExitSuccess;
}

int seedDemo(const AdminOptions &options, QTextStream &out, QTextStream &err)
{
    if (!createDatabase(options, err))
        return ExitFailure;
    Session session(options.engine, options.target);
    if (!openExisting(session, options, err))
        return ExitFailure;
    if (!options.force && holdsPersonnelData(session)) {
        err << "Datenbank " << databaseLocation(options)
            << " enthält schon Personaldaten; mit --force werden sie durch die Demodaten "
               "ersetzt.\n";
        return ExitFailure;
    }
    seedDemoData(session);
    out << "Demodaten eingetragen: " << databaseLocation(options) << '\n'
        << "Anmeldung: Firma " << DemoLogin::company << ", Filiale " << DemoLogin::branch
        << ", Benutzer " << DemoLogin::userCode << ", Passwort " << DemoLogin::password << '\n';
    return ExitSuccess;
}

int bookAsTimeClock(const AdminOptions &options, QTextStream &out, QTextStream &err)
{
    Session session(options.engine, options.target);
    if (!openExisting(session, options, err))
        return ExitFailure;
    // In a transaction of its own: only a COMMIT that went through is a booking.
    // Read back without one, the new id can come before a full disk refuses it.
    CardBooking booking{};
    session.transaction([&] {
        booking = bookCard(session, options.company, options.terminal, options.kind, options.card,
                           options.time);
    });
    tellOfPendingBookings(session);
    if (booking.kind == CardBooking::BookedBefore)
        out << "Schon gebucht: diese Buchung der Karte \"" << options.card
            << "\" ist schon gespeichert\n";
    else if (booking.kind == CardBooking::TimeBooking)
        out << "Zeitbuchung " << booking.id << " für Mitarbeiter " << booking.employee
            << " der Firma " << options.company.trimmed() << '\n';
    else
        out << "Nicht zugeordnete Buchung " << booking.id << ": Karte \"" << options.card
            << "\" gehört keinem Mitarbeiter der Firma " << options.company.trimmed() << '\n';
    return ExitSuccess;
}

int listUnassigned(const AdminOptions &options, QTextStream &out, QTextStream &err)
{
    Session session(options.engine, options.target);
    if (!openExisting(session, options, err))
        return ExitFailure;
    QSqlQuery rows = session.exec(
        options.takenOff
            ? QStringLiteral(
                  "SELECT id, firma, erledigt_am, erledigt_von, erledigt_kontext, buchungstext"
                  " FROM stempelung WHERE erledigt_am IS NOT NULL AND doppelt_von IS NULL ORDER BY "
                  "id")
            : QStringLiteral("SELECT id, firma, buchungstext FROM stempelung"
                             " WHERE pnr IS NULL AND erledigt_am IS NULL ORDER BY id"));
    bool found = false;
    while (rows.next()) {
        QStringList fields;
        for (int column = 0; column < rows.record().count(); ++column)
            fields << rows.value(column).toString();
        if (options.takenOff)
            fields[3] = storedToDisplay(fields.at(3));
        out << fields.join(QLatin1Char('\t')) << '\n';
        found = true;
    }
    if (!found)
        out << (options.takenOff ? "Keine von der Liste genommenen Buchungen.\n"
                                 : "Keine nicht zugeordneten Buchungen.\n");
    return ExitSuccess;
}

int reopenTakenOff(const AdminOptions &options, QTextStream &out, QTextStream &err)
{
    Session session(options.engine, options.target);
    if (!openExisting(session, options, err))
        return ExitFailure;
    if (!reopenSwipe(session, options.swipeId)) {
        err << "Buchung " << options.swipeId
            << " ist nicht von der Liste genommen (unbekannt, offen oder gebucht).\n";
        return ExitFailure;
    }
    out << "Buchung " << options.swipeId
        << " steht wieder in der Liste der nicht zugeordneten Buchungen.\n";
    return ExitSuccess;
}

namespace {

// "yyyymmddhhmm" as people read it.
QString readableTime(const QString &time)
{
    return QStringLiteral("%1-%2-%3 %4:%5")
        .arg(time.mid(0, 4), time.mid(4, 2), time.mid(6, 2), time.mid(8, 2), time.mid(10, 2));
}

} // namespace

int listBookings(const AdminOptions &options, QTextStream &out, QTextStream &err)
{
    Session session(options.engine, options.target);
    if (!openExisting(session, options, err))
        return ExitFailure;
    const QString company = options.company.trimmed();
    const QString employee = options.employee.trimmed();
    QSqlQuery known = session.exec(
        QStringLiteral("SELECT 1 FROM persbasis WHERE firma = ? AND pnr = ?"), {company, employee});
    if (!known.next()) {
        err << "Mitarbeiter " << employee << " der Firma " << company << " existiert nicht.\n";
        return ExitFailure;
    }
    QSqlQuery rows =
        session.exec(QStringLiteral("SELECT id, zeitpunkt, karte, buchungstext FROM ") +
                         LedgerStatement::timeBookings +
                         QStringLiteral(" z WHERE firma = ? AND pnr = ? ORDER BY zeitpunkt, id"),
                     {company, employee});
    bool found = false;
    while (rows.next()) {
        out << rows.value(0).toLongLong() << '\t' << readableTime(rows.value(1).toString()) << '\t'
            << rows.value(2).toString() << '\t' << rows.value(3).toString() << '\n';
        found = true;
    }
    if (!found)
        out << "Keine Zeitbuchungen für Mitarbeiter " << employee << " der Firma " << company
            << ".\n";
    return ExitSuccess;
}

namespace {

// A table's row count, or why it cannot be read.
QString rowCount(Session &session, const QString &table, const QString &condition = QString())
{
    try {
        return session
            .firstValue(QStringLiteral("SELECT count(*) FROM ") + table +
                        (condition.isEmpty() ? QString() : QStringLiteral(" WHERE ") + condition))
            .toString();
    } catch (const CacheError &error) {
        return QStringLiteral("nicht lesbar (%1)").arg(oneLine(error.description()));
    }
}

} // namespace

int checkDatabase(const AdminOptions &options, QTextStream &out, QTextStream &err)
{
    Session session(options.engine, options.target);
    if (!openExisting(session, options, err, DamagePolicy::Report))
        return ExitFailure;
    const QStringList damage = damageFound(session, CheckDepth::Full);
    out << "Datenbank: " << databaseLocation(options) << '\n'
        << "Schemaversion: " << schemaVersion(session)
        << " (dieses Programm: " << currentSchemaVersion << ")\n"
        << "Zustand: " << (damage.isEmpty() ? "in Ordnung" : "BESCHÄDIGT") << '\n';
    for (const QString &finding : damage)
        out << "  " << finding << '\n';
    out << "Abteilungen: " << rowCount(session, QStringLiteral("parpersabt")) << '\n'
        << "Mitarbeiter: " << rowCount(session, QStringLiteral("persbasis")) << '\n'
        << "Anmeldedaten: " << rowCount(session, QStringLiteral("parpersedv")) << '\n'
        << "Karten: " << rowCount(session, QStringLiteral("karte")) << '\n'
        << "Nicht zugeordnete Buchungen offen: "
        << rowCount(session, QStringLiteral("stempelung"),
                    QStringLiteral("pnr IS NULL AND erledigt_am IS NULL"))
        << '\n'
        << "Zeitbuchungen: "
        << rowCount(session, LedgerStatement::timeBookings + QStringLiteral(" z")) << '\n'
        << "Kartenzuordnungen: " << rowCount(session, QStringLiteral("kartenzuordnung")) << '\n'
        << "Servereinträge: " << rowCount(session, QStringLiteral("kassasw")) << '\n';
    if (!damage.isEmpty()) {
        err << "Datenbank " << databaseLocation(options)
            << " ist beschädigt: " << oneLine(damage.first()) << '\n';
        return ExitFailure;
    }
    const LedgerFindings ledger = checkLedger(session);
    out << "Buchungen: "
        << (ledger.violations.isEmpty() ? "jede offen oder genau einmal gebucht" : "FEHLER")
        << '\n';
    for (const QString &line : ledger.violations + ledger.notes)
        out << "  " << line << '\n';
    if (ledger.violations.isEmpty())
        return ExitSuccess;
    err << "Die Buchungen der Datenbank " << databaseLocation(options)
        << " sind nicht in Ordnung: " << ledger.violations.first() << '\n';
    return ExitFailure;
}

int configureEngine(const AdminOptions &options, QTextStream &out, QTextStream &err)
{
    if (options.engineGiven) {
        const QString file = storeEngineChoice(options.engine);
        if (file.isEmpty()) {
            err << "Die Einstellungen des Programms können nicht geschrieben werden.\n";
            return ExitFailure;
        }
        out << "Engine " << engineName(options.engine) << " gespeichert in " << file << '\n';
    }
    const bool fromEnvironment = !qEnvironmentVariable("KARVEN_ENGINE").isEmpty();
    out << "Das Programm nimmt die Engine " << configuredEngineName() << " ("
        << (fromEnvironment ? "aus KARVEN_ENGINE" : "aus den Einstellungen oder der Vorgabe")
        << ").\n";
    return ExitSuccess;
}

int grantWorkstationRole(const AdminOptions &options, QTextStream &out, QTextStream &err)
{
    if (options.engine != EngineKind::Postgres) {
        err << "grant gilt nur für PostgreSQL (--engine postgres): eine SQLite-Datenbank ist die "
               "Datei eines Benutzers.\n";
        return ExitFailure;
    }
    Session session(options.engine, options.target);
    if (!openExisting(session, options, err))
        return ExitFailure;
    bool created = false;
    try {
        created = DatabaseAdmin::grantWorkstation(session, options.role);
    } catch (const CacheError &error) {
        err << "Rolle " << options.role << ": nichts geändert. " << oneLine(error.description())
            << '\n';
        return ExitFailure;
    }
    if (created)
        out << "Rolle " << options.role << " angelegt, höchstens "
            << DatabaseAdmin::workstationRoleConnections
            << " Verbindungen, noch ohne Kennwort; Kennwort setzen (es erscheint in keinem "
               "Protokoll): "
               "psql -c '\\password "
            << options.role << "'\n";
    out << "Rolle " << options.role << " darf die Serverfunktionen von "
        << databaseLocation(options) << " aufrufen, sonst nichts.\n";
    return ExitSuccess;
}

int runAdminCommand(const AdminOptions &options, QTextStream &out, QTextStream &err)
{
    const AdminCommand *command = findCommand(options.command);
    if (!command) {
        err << "Unbekannter Befehl \"" << options.command << "\"\n";
        return ExitUsage;
    }
    try {
        return command->run(options, out, err);
    } catch (const CacheError &error) {
        err << "Fehler " << error.number() << ": " << oneLine(error.description()) << '\n';
        return ExitFailure;
    }
}
