#include "settingsstore.h"

#include <QSettings>

namespace {
QSettings &store()
{
    static QSettings settings(QStringLiteral("VB and VBA Program Settings"),
                              QStringLiteral("Cache Login"));
    return settings;
}

QString keyPath(const QString &key)
{
    return QStringLiteral("Login/") + key;
}
} // namespace

QString SettingsStore::read(const QString &key, const QString &defaultValue)
{
    // A value that is not a text (a hand-edited list, say) counts as missing.
    const QVariant value = store().value(keyPath(key));
    if (!value.isValid() || !value.canConvert<QString>() || value.typeId() == QMetaType::QStringList)
        return defaultValue;
    return value.toString();
}

void SettingsStore::write(const QString &key, const QString &value)
{
    store().setValue(keyPath(key), value);
}

void SettingsStore::flush()
{
    store().sync();
}
