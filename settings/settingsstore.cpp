#include "settings/settingsstore.h"

#include <QSettings>

namespace {
QSettings &store(SettingsFile file)
{
    static QSettings login(QStringLiteral("VB and VBA Program Settings"),
                           QStringLiteral("Cache Login"));
    static QSettings program(QStringLiteral("KARVEN"), QStringLiteral("KARVEN"));
    return file == SettingsFile::Login ? login : program;
}
} // namespace

QString SettingsStore::read(const Setting &setting)
{
    // A value that is not a text (a hand-edited list, say) counts as missing.
    const QVariant value = store(setting.file).value(QLatin1String(setting.key));
    if (!value.isValid() || !value.canConvert<QString>() ||
        value.typeId() == QMetaType::QStringList)
        return QLatin1String(setting.defaultValue);
    return value.toString();
}

void SettingsStore::write(const Setting &setting, const QString &value)
{
    store(setting.file).setValue(QLatin1String(setting.key), value);
}

QString SettingsStore::flush(SettingsFile file)
{
    QSettings &settings = store(file);
    settings.sync();
    return settings.status() == QSettings::NoError ? settings.fileName() : QString();
}
