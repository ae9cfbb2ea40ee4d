#include "engine/databasecheck.h"

#include "cacheapi/objects/cacheerror.h"
#include "engine/session.h"

#include <QSqlQuery>

QStringList damageFound(Session &session, CheckDepth depth)
{
    if (session.kind() != EngineKind::Sqlite)
        return {};
    const QString pragma = depth == CheckDepth::Quick
                               ? QStringLiteral("PRAGMA quick_check(20)")
                               : QStringLiteral("PRAGMA integrity_check(20)");
    QStringList findings;
    try {
        QSqlQuery rows = session.exec(pragma);
        while (rows.next())
            findings << rows.value(0).toString();
    } catch (const CacheError &error) {
        // Damage bad enough that the check itself cannot run.
        return {error.description()};
    }
    if (findings == QStringList{QStringLiteral("ok")})
        return {};
    return findings;
}
