#pragma once

#include "about/systeminfo.h"

// The operating system's own registry, files and program start. Outside Windows there is
// no registry: the value that registers the system information tool is answered with the
// first system information tool found on PATH, and every other value is missing.
class NativeSystemInfo final : public SystemInfoPlatform
{
public:
    bool GetKeyValue(const QString &KeyName, const QString &SubKeyRef, QString &KeyVal) override;
    bool fileExists(const QString &path) override;
    bool startProgram(const QString &path) override;
};
