#include "about/systeminfo.h"

#include <QMessageBox>

namespace {

// Finds the tool; an empty result means there is none.
QString systemInfoToolPath(SystemInfoPlatform &platform)
{
    QString path;
    // The registered path is taken as it is; starting it shows whether it is right.
    if (platform.GetKeyValue(MsInfoKey, MsInfoPathValue, path))
        return path;

    QString folder;
    if (platform.GetKeyValue(SharedToolsKey, SharedToolsMsInfoValue, folder)) {
        const QString candidate = folder + QStringLiteral("\\MSINFO32.EXE");
        if (platform.fileExists(candidate))
            return candidate;
    }
    return {};
}

} // namespace

void showNotice(const QString &text, const QString &title)
{
    QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok);
    box.exec();
}

void StartSysInfo(SystemInfoPlatform &platform, const NoticeFunction &notify)
{
    bool started = false;
    // Whatever goes wrong on the way, the user gets the same message.
    try {
        const QString path = systemInfoToolPath(platform);
        // A registered value that gives no text names no program.
        started = !path.isEmpty() && platform.startProgram(path);
    } catch (...) {
        started = false;
    }
    if (!started)
        notify(QStringLiteral("Systeminformationen sind momentan nicht verfügbar"),
               QStringLiteral(KARVEN_APP_TITLE));
}
