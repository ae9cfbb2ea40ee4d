#include "tools/admindatabase.h"

#include "engine/connectionfailure.h"
#include "engine/databasecheck.h"
#include "engine/session.h"

#include <QFileInfo>

QString databaseLocation(const AdminOptions &options)
{
    if (options.engine == EngineKind::Sqlite)
        return embeddedDatabaseFile(options.target);
    return options.target.postgresLocation();
}

QString oneLine(const QString &text)
{
    return text.simplified();
}

QString connectionFailure(const QString &driverText)
{
    const QString german = connectionFailureInGerman(driverText);
    if (german == driverText)
        return oneLine(driverText);
    return german + QStringLiteral(" (PostgreSQL: ") + oneLine(driverText) + QLatin1Char(')');
}

bool openExisting(Session &session, const AdminOptions &options, QTextStream &err,
                  DamagePolicy damage)
{
    const QString file = embeddedDatabaseFile(options.target);
    if (options.engine == EngineKind::Sqlite && !QFileInfo::exists(file) &&
        !QFileInfo(file).isSymLink()) {
        err << "Datenbank " << file
            << " existiert nicht; sie wird mit \"karven-admin create\" oder \"seed\" angelegt.\n";
        return false;
    }
    if (!session.open()) {
        err << "Keine Verbindung zur Datenbank " << databaseLocation(options) << ": "
            << connectionFailure(session.lastError()) << '\n';
        return false;
    }
    if (!session.ownsTables()) {
        err << "Die Rolle, mit der karven-admin angemeldet ist, darf nur, was ein Arbeitsplatz "
               "darf; karven-admin braucht die Eigentümerrolle der Datenbank "
            << databaseLocation(options) << " (PGUSER und ~/.pgpass).\n";
        return false;
    }
    if (damage == DamagePolicy::Report)
        return true;
    const QStringList found = damageFound(session, CheckDepth::Quick);
    if (found.isEmpty())
        return true;
    err << "Datenbank " << databaseLocation(options) << " ist beschädigt ("
        << oneLine(found.first())
        << "); nichts geändert. Einzelheiten zeigt \"karven-admin check\".\n";
    return false;
}
