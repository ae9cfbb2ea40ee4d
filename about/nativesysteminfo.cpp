#include "about/nativesysteminfo.h"

#include <QFileInfo>
#include <QProcess>

#ifdef Q_OS_WIN
#include <QSettings>
#include <QVariant>
#else
#include <QStandardPaths>
#include <QStringList>
#endif

#ifdef Q_OS_WIN

bool NativeSystemInfo::GetKeyValue(const QString &KeyName, const QString &SubKeyRef,
                                   QString &KeyVal)
{
    const QSettings key(QStringLiteral("HKEY_LOCAL_MACHINE\\") + KeyName, QSettings::NativeFormat);
    const QVariant value = key.value(SubKeyRef);
    if (!value.isValid()) {
        KeyVal.clear();
        return false;
    }
    // Texts are taken as they are and 32-bit numbers as decimal text; a value of any other
    // type counts as read but gives no text.
    switch (value.typeId()) {
    case QMetaType::QString:
        KeyVal = value.toString();
        break;
    case QMetaType::Int:
    case QMetaType::UInt:
        KeyVal = QString::number(value.toUInt());
        break;
    default:
        break;
    }
    return true;
}

#else

bool NativeSystemInfo::GetKeyValue(const QString &KeyName, const QString &SubKeyRef,
                                   QString &KeyVal)
{
    // Tools that give an overview of hardware and operating system come first, then the
    // desktops' information centres, then system monitors as the nearest substitute.
    static const QStringList tools = {
        QStringLiteral("hardinfo2"),
        QStringLiteral("hardinfo"),
        QStringLiteral("kinfocenter"),
        QStringLiteral("lshw-gtk"),
        QStringLiteral("gnome-system-monitor"),
        QStringLiteral("mate-system-monitor"),
        QStringLiteral("xfce4-taskmanager"),
    };
    KeyVal.clear();
    if (KeyName != MsInfoKey || SubKeyRef != MsInfoPathValue)
        return false;
    for (const QString &tool : tools) {
        KeyVal = QStandardPaths::findExecutable(tool);
        if (!KeyVal.isEmpty())
            return true;
    }
    return false;
}

#endif

bool NativeSystemInfo::fileExists(const QString &path)
{
    return QFileInfo::exists(path);
}

bool NativeSystemInfo::startProgram(const QString &path)
{
    return QProcess::startDetached(path, {});
}
