#include "tools/sitecheck.h"

#include "engine/connectionfailure.h"
#include "engine/postgrestarget.h"
#include "engine/schema.h"
#include "engine/session.h"
#include "engine/storedform.h"
#include "tools/admindatabase.h"
#include "tools/companyrecord.h"
#include "tools/pgpassfile.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryFile>
#include <functional>

namespace {

// A login on a connection of its own; the driver's words when it failed.
struct Login
{
    bool ok = false;
    QString failure;
};

// Runs work on the connection once logged in; work answers what went wrong, if anything.
Login tryLogin(const ConnectionTarget &target,
               const std::function<QString(QSqlDatabase &)> &work = {})
{
    const QString name = QStringLiteral("karven-site-check");
    Login login;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
        setPostgresTarget(db, target, target.databaseName());
        login.ok = db.open();
        if (!login.ok)
            login.failure = db.lastError().text();
        else if (work)
            login.failure = work(db);
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return login;
}

// The answer of one query, or why it failed.
QString queryProblem(QSqlDatabase &db, const QString &sql, QVariant *value = nullptr)
{
    QSqlQuery query(db);
    if (!query.exec(sql))
        return query.lastError().text();
    if (value)
        *value = query.next() ? query.value(0) : QVariant();
    return QString();
}

// libpq reads its environment at every connect: a login without any password.
bool getsInWithoutPassword(const ConnectionTarget &target)
{
    const QByteArray passFile = qgetenv("PGPASSFILE");
    const bool hadPassFile = qEnvironmentVariableIsSet("PGPASSFILE");
    const QByteArray password = qgetenv("PGPASSWORD");
    const bool hadPassword = qEnvironmentVariableIsSet("PGPASSWORD");
    // An empty file of its own: libpq warns about one that is no plain file (/dev/null).
    QTemporaryFile empty;
    if (!empty.open())
        return false;
    qputenv("PGPASSFILE", QFile::encodeName(empty.fileName()));
    qunsetenv("PGPASSWORD");
    const bool gotIn = tryLogin(target).ok;
    hadPassFile ? qputenv("PGPASSFILE", passFile) : qunsetenv("PGPASSFILE");
    if (hadPassword)
        qputenv("PGPASSWORD", password);
    return gotIn;
}

class SiteCheck
{
public:
    SiteCheck(const AdminOptions &options, QTextStream &out) : options_(options), out_(out) {}

    QStringList run()
    {
        const QString owner = checkOwner();
        if (owner.isEmpty()) {
            // Why the owner found no password is the likeliest reason it is out.
            checkPasswordFile(ownerAsConfigured(), QStringLiteral("Eigentümerrolle"));
            return findings_;
        }
        checkRole(owner, QStringLiteral("Eigentümerrolle"));
        if (!options_.role.isEmpty())
            checkWorkstationRole();
        Session session(options_.engine, options_.target);
        if (!session.open()) {
            finding(connectionFailure(session.lastError()));
            return findings_;
        }
        if (!readCompanyRecord(session))
            finding(QStringLiteral("Es gibt keinen Firmeneintrag: jeder Arbeitsplatz meldet beim "
                                   "Start einen Fehler. Anlegen: karven-admin company --name "
                                   "FIRMENNAME --wj JJJJ"));
        checkDatabaseRights(session);
        checkServerEntries(session);
        return findings_;
    }

private:
    void finding(const QString &text) { findings_ << text; }

    // Logs in as the owner; answers the role's name, empty when it cannot.
    QString checkOwner()
    {
        QVariant role, version;
        const Login login = tryLogin(options_.target, [&](QSqlDatabase &db) {
            const QString problem = queryProblem(db, QStringLiteral("SELECT current_user"), &role);
            return problem.isEmpty()
                       ? queryProblem(db, QStringLiteral("SELECT max(version) FROM schemaversion"),
                                      &version)
                       : problem;
        });
        if (!login.ok) {
            finding(QStringLiteral("Die Eigentümerrolle %1 kommt nicht herein: %2")
                        .arg(ownerAsConfigured(), connectionFailure(login.failure)));
            return QString();
        }
        out_ << "Angemeldet als " << role.toString() << ": " << databaseLocation(options_) << '\n';
        if (!login.failure.isEmpty() || version.toInt() < currentSchemaVersion) {
            finding(
                QStringLiteral("Die Datenbank hat Schemaversion %1, dieses Programm %2: mit der "
                               "Eigentümerrolle \"karven-admin create\" ausführen")
                    .arg(version.isNull() ? QStringLiteral("(keine)") : version.toString())
                    .arg(currentSchemaVersion));
            return QString();
        }
        return role.toString();
    }

    // What any role needs: a password asked for, and a password file that gives it.
    void checkRole(const QString &role, const QString &what)
    {
        ConnectionTarget target = options_.target;
        target.user = role;
        if (getsInWithoutPassword(target))
            finding(QStringLiteral("Die %1 %2 kommt ohne Kennwort herein: in pg_hba.conf steht vor "
                                   "der Zeile mit scram-sha-256 eine passende Zeile mit trust (die "
                                   "erste passende Zeile gilt)")
                        .arg(what, role));
        checkPasswordFile(role, what);
    }

    // The role libpq logs in as: PGUSER, else the login name.
    QString ownerAsConfigured() const
    {
        if (!options_.target.user.isEmpty())
            return options_.target.user;
        const QString configured = qEnvironmentVariable("PGUSER");
        return configured.isEmpty() ? qEnvironmentVariable("USER") : configured;
    }

    void checkPasswordFile(const QString &role, const QString &what)
    {
        if (qEnvironmentVariableIsSet("PGPASSWORD") || role.isEmpty())
            return;
        const QString problem = passwordFileProblem(passwordFileHost(options_.target),
                                                    passwordFilePort(options_.target),
                                                    options_.target.databaseName(), role);
        if (!problem.isEmpty())
            finding(QStringLiteral("%1 %2: %3").arg(what, role, problem));
    }

    void checkWorkstationRole()
    {
        const QString role = options_.role;
        ConnectionTarget target = options_.target;
        target.user = role;
        const Login login = tryLogin(target, [](QSqlDatabase &db) {
            return queryProblem(db, QStringLiteral("SELECT arbeitsplatz.globalwert('FA', '0')"));
        });
        if (!login.ok)
            finding(QStringLiteral("Die Arbeitsplatzrolle %1 kommt nicht herein: %2")
                        .arg(role, connectionFailure(login.failure)));
        else if (!login.failure.isEmpty())
            finding(QStringLiteral("Die Arbeitsplatzrolle %1 darf die Serverfunktionen nicht "
                                   "aufrufen: karven-admin grant --role %1")
                        .arg(role));
        checkRole(role, QStringLiteral("Arbeitsplatzrolle"));
    }

    // Only granted roles may reach the database; a new one (as after a restore) is open to all.
    void checkDatabaseRights(Session &session)
    {
        if (session
                .firstValue(QStringLiteral(
                    "SELECT datacl IS NULL OR EXISTS (SELECT 1 FROM aclexplode(datacl) a"
                    " WHERE a.grantee = 0) FROM pg_database WHERE datname = current_database()"))
                .toBool())
            finding(QStringLiteral(
                "Jede Rolle des Servers darf sich mit der Datenbank verbinden und dort "
                "temporäre Tabellen anlegen (etwa nach dem Zurückspielen einer Sicherung): "
                "karven-admin grant --role ROLLE nimmt das zurück"));
    }

    // Every entry a workstation may choose must lead to a database server.
    void checkServerEntries(Session &session)
    {
        QSqlQuery entries = session.exec(QStringLiteral(
            "SELECT id, name, ip, port, namespace FROM kassasw WHERE type = 0 ORDER BY id"));
        while (entries.next()) {
            const QString where = QStringLiteral("%1:%2, %3")
                                      .arg(entries.value(2).toString(), entries.value(3).toString(),
                                           entries.value(4).toString());
            const QString entry = QStringLiteral("Servereintrag %1 \"%2\" (%3)")
                                      .arg(entries.value(0).toString(),
                                           storedToDisplay(entries.value(1).toString()), where);
            const std::optional<ConnectionTarget> target = parseConnectionString(
                QStringLiteral("cn_iptcp:%1[%2]:%3")
                    .arg(entries.value(2).toString(), entries.value(3).toString(),
                         entries.value(4).toString()));
            if (!target) {
                finding(entry + QStringLiteral(": keine gültige Verbindung"));
                continue;
            }
            const Login login = tryLogin(*target);
            switch (connectionFailureKind(login.failure)) {
            case ConnectionFailure::Refused:
            case ConnectionFailure::Timeout:
            case ConnectionFailure::HostUnknown:
            case ConnectionFailure::DatabaseMissing:
                finding(entry + QStringLiteral(": ") + connectionFailureInGerman(login.failure));
                break;
            default: // reachable; who may log in there is the role's matter
                break;
            }
        }
    }

    const AdminOptions &options_;
    QTextStream &out_;
    QStringList findings_;
};

} // namespace

int checkSite(const AdminOptions &options, QTextStream &out, QTextStream &err)
{
    if (options.engine != EngineKind::Postgres) {
        err << "site-check gilt nur für PostgreSQL (--engine postgres).\n";
        return ExitFailure;
    }
    const QStringList findings = SiteCheck(options, out).run();
    if (findings.isEmpty()) {
        out << "Keine Befunde: die Filiale ist eingerichtet.\n";
        return ExitSuccess;
    }
    out << findings.size() << (findings.size() == 1 ? " Befund:\n" : " Befunde:\n");
    for (const QString &text : findings)
        out << "  - " << text << '\n';
    err << "site-check: " << findings.first() << '\n';
    return ExitFailure;
}
