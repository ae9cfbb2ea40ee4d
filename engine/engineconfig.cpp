#include "engine/engineconfig.h"

#include "settings/settingsstore.h"

#include <QStandardPaths>

std::optional<EngineKind> engineKindFromName(const QString &name)
{
    const QString normalised = name.trimmed().toLower();
    if (normalised == QLatin1String("sqlite"))
        return EngineKind::Sqlite;
    if (normalised == QLatin1String("postgres") || normalised == QLatin1String("postgresql"))
        return EngineKind::Postgres;
    return std::nullopt;
}

QString engineName(EngineKind kind)
{
    return kind == EngineKind::Sqlite ? QStringLiteral("sqlite") : QStringLiteral("postgres");
}

QString configuredEngineName()
{
    const QString fromEnvironment = qEnvironmentVariable("KARVEN_ENGINE");
    if (!fromEnvironment.isEmpty())
        return fromEnvironment;
    const QString fromSettings = SettingsStore::read(ProgramSetting::Engine);
    return fromSettings.isEmpty() ? QLatin1String(ProgramSetting::Engine.defaultValue)
                                  : fromSettings;
}

QString storeEngineChoice(EngineKind kind)
{
    SettingsStore::write(ProgramSetting::Engine, engineName(kind));
    return SettingsStore::flush(SettingsFile::Program);
}

QString engineDataDirectory()
{
    const QString fromEnvironment = qEnvironmentVariable("KARVEN_DATA_DIR");
    if (!fromEnvironment.isEmpty())
        return fromEnvironment;
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/karven");
}

QString embeddedDatabaseFile(const ConnectionTarget &target)
{
    return engineDataDirectory() + QLatin1Char('/') + target.databaseName() +
           QStringLiteral(".sqlite");
}

QString postgresConnectOptions()
{
    // The options given here replace libpq's PGOPTIONS; a site's settings
    // there (a lock_timeout, say) still count.
    QString options = QStringLiteral("-c client_min_messages=warning ") + qEnvironmentVariable("PGOPTIONS");
    options.replace(QLatin1Char('\\'), QStringLiteral("\\\\")).replace(QLatin1Char('\''), QStringLiteral("\\'"));
    return QStringLiteral("connect_timeout=5;options='%1'").arg(options.trimmed());
}
