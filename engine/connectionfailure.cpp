#include "engine/connectionfailure.h"

#include <QRegularExpression>

namespace {

struct KnownFailure
{
    ConnectionFailure kind;
    QRegularExpression pattern; // over libpq's English text; %1 takes its first capture
    QString advice;
};

const QVector<KnownFailure> &knownFailures()
{
    static const QVector<KnownFailure> failures = {
        {ConnectionFailure::Refused, QRegularExpression(QStringLiteral("Connection refused")),
         QStringLiteral(
             "Der Datenbankserver nimmt keine Verbindung an (abgelehnt). Bitte Server und "
             "Port prüfen; läuft PostgreSQL dort und erreicht listen_addresses dieses "
             "Netz?")},
        {ConnectionFailure::Timeout,
         QRegularExpression(QStringLiteral("timeout expired|timed out")),
         QStringLiteral("Der Datenbankserver antwortet nicht (Zeitüberschreitung). Bitte Netz, "
                        "Firewall und den Servernamen prüfen.")},
        {ConnectionFailure::HostUnknown,
         QRegularExpression(
             QStringLiteral("could not translate host name \"([^\"]*)\"|Name or "
                            "service not known|Temporary failure in name resolution")),
         QStringLiteral("Den Server \"%1\" gibt es im Netz nicht (Name unbekannt). Bitte die "
                        "Schreibweise prüfen oder die IP-Adresse eintragen.")},
        {ConnectionFailure::PasswordWrong,
         QRegularExpression(QStringLiteral("password authentication failed for user \"([^\"]*)\"")),
         QStringLiteral("Das Kennwort der Rolle \"%1\" ist falsch. Bitte die Zeile in ~/.pgpass "
                        "prüfen (Server:Port:Datenbank:Rolle:Kennwort).")},
        {ConnectionFailure::PasswordMissing,
         QRegularExpression(QStringLiteral("no password supplied")),
         QStringLiteral("Der Datenbankserver verlangt ein Kennwort, es ist aber keines hinterlegt. "
                        "Bitte ~/.pgpass prüfen: Server genau so geschrieben wie in der "
                        "Verbindung, Port, Datenbank und Rolle (PGUSER) passend, Rechte 600.")},
        {ConnectionFailure::DatabaseMissing,
         QRegularExpression(QStringLiteral("database \"([^\"]*)\" does not exist")),
         QStringLiteral("Die Datenbank \"%1\" gibt es auf dem Server nicht. Bitte den Namespace "
                        "prüfen oder die Datenbank anlegen (Handbuch karven-admin, Schritt 1).")},
        {ConnectionFailure::RoleMissing,
         QRegularExpression(QStringLiteral("role \"([^\"]*)\" does not exist")),
         QStringLiteral(
             "Die Rolle \"%1\" gibt es auf dem Server nicht. Bitte PGUSER prüfen oder die "
             "Rolle anlegen (Handbuch karven-admin, Schritt 1).")},
        {ConnectionFailure::NotAllowed, QRegularExpression(QStringLiteral("no pg_hba.conf entry")),
         QStringLiteral(
             "Der Datenbankserver lässt diesen Rechner mit dieser Rolle nicht herein. "
             "Bitte in pg_hba.conf eine Zeile für dieses Netz und die Rolle eintragen.")},
    };
    return failures;
}

const KnownFailure *knownFailure(const QString &driverText, QRegularExpressionMatch *match)
{
    for (const KnownFailure &failure : knownFailures()) {
        *match = failure.pattern.match(driverText);
        if (match->hasMatch())
            return &failure;
    }
    return nullptr;
}

} // namespace

ConnectionFailure connectionFailureKind(const QString &driverText)
{
    QRegularExpressionMatch match;
    const KnownFailure *failure = knownFailure(driverText, &match);
    return failure ? failure->kind : ConnectionFailure::Other;
}

QString connectionFailureInGerman(const QString &driverText)
{
    QRegularExpressionMatch match;
    if (const KnownFailure *failure = knownFailure(driverText, &match)) {
        if (!failure->advice.contains(QLatin1String("%1")))
            return failure->advice;
        return failure->advice.arg(match.captured(1)).replace(QStringLiteral(" \"\""), QString());
    }
    return driverText;
}
