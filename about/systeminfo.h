#pragma once

#include <QString>

#include <functional>

// Where the system information tool is registered on Windows, below HKEY_LOCAL_MACHINE.
inline const QString MsInfoKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO");
inline const QString MsInfoPathValue = QStringLiteral("PATH");
inline const QString SharedToolsKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location");
inline const QString SharedToolsMsInfoValue = QStringLiteral("MSINFO");

// What starting the system information tool needs from the operating system.
class SystemInfoPlatform
{
public:
    virtual ~SystemInfoPlatform() = default;

    // Reads the value SubKeyRef of the key KeyName below HKEY_LOCAL_MACHINE into KeyVal.
    // True when the value was read; a value that gives no text is read as empty.
    virtual bool GetKeyValue(const QString &KeyName, const QString &SubKeyRef, QString &KeyVal) = 0;
    virtual bool fileExists(const QString &path) = 0;
    // Starts the program without waiting for it; false when it could not be started.
    virtual bool startProgram(const QString &path) = 0;
};

// Tells the user something in a message box with the given title.
using NoticeFunction = std::function<void(const QString &text, const QString &title)>;

// A message box with the text, an OK button and no icon.
void showNotice(const QString &text, const QString &title);

// Starts the system information tool, or tells the user that it is not available.
void StartSysInfo(SystemInfoPlatform &platform, const NoticeFunction &notify);
