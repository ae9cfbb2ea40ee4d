#include "connectionfailure.h"

#include <QRegularExpression>

namespace {

struct KnownFailure
{
    QRegularExpression pattern; // over libpq's English text; %1 takes its first capture
    QString advice;
};

const QVector<KnownFailure> &knownFailures()
{
    static const QVector<KnownFailure> failures = {
        {QRegularExpression(QStringLiteral("Connection refused")),
         QStringLiteral("Der Datenbankserver nimmt keine Verbindung an (abgelehnt). Bitte Server und "
                        "Port prüfen; läuft PostgreSQL dort und erreicht listen_addresses dieses "
                        "Netz?")},
        {QRegularExpression(QStringLiteral("timeout expired|timed out")),
         QStringLiteral("Der Datenbankserver antwortet nicht (Zeitüberschreitung). Bitte Netz, "
                        "Firewall und den Servernamen prüfen.")},
        {QRegularExpression(QStringLiteral("could not translate host name \"([^\"]*)\"|Name or "
                                           "service not known|Temporary failure in name resolution")),
         QStringLiteral("Den Server \"%1\" gibt es im Netz nicht (Name unbekannt). Bitte die "
                        "Schreibweise prüfen oder die IP-Adresse eintragen.")},
        {QRegularExpression(QStringLiteral("password authentication failed for user \"([^\"]*)\"")),
         QStringLiteral("Das Kennwort der Rolle \"%1\" ist falsch. Bitte die Zeile in ~/.pgpass "
                        "prüfen (Server:Port:Datenbank:Rolle:Kennwort).")},
        {QRegularExpression(QStringLiteral("no password supplied")),
         QStringLiteral("Der Datenbankserver verlangt ein Kennwort, es ist aber keines hinterlegt. "
                        "Bitte ~/.pgpass prüfen: Server genau so geschrieben wie in der "
                        "Verbindung, Port, Datenbank und Rolle (PGUSER) passend, Rechte 600.")},
        {QRegularExpression(QStringLiteral("database \"([^\"]*)\" does not exist")),
         QStringLiteral("Die Datenbank \"%1\" gibt es auf dem Server nicht. Bitte den Namespace "
                        "prüfen oder die Datenbank anlegen (Handbuch karven-admin, Schritt 1).")},
        {QRegularExpression(QStringLiteral("role \"([^\"]*)\" does not exist")),
         QStringLiteral("Die Rolle \"%1\" gibt es auf dem Server nicht. Bitte PGUSER prüfen oder die "
                        "Rolle anlegen (Handbuch karven-admin, Schritt 1).")},
        {QRegularExpression(QStringLiteral("no pg_hba.conf entry")),
         QStringLiteral("Der Datenbankserver lässt diesen Rechner mit dieser Rolle nicht herein. "
                        "Bitte in pg_hba.conf eine Zeile für dieses Netz und die Rolle eintragen.")},
    };
    return failures;
}

} // namespace

QString connectionFailureInGerman(const QString &driverText)
{
    for (const KnownFailure &failure : knownFailures()) {
        const QRegularExpressionMatch match = failure.pattern.match(driverText);
        if (!match.hasMatch())
            continue;
        if (!failure.advice.contains(QLatin1String("%1")))
            return failure.advice;
        return failure.advice.arg(match.captured(1)).replace(QStringLiteral(" \"\""), QString());
    }
    return driverText;
}
