#pragma once

#include <QString>

// The per-user settings that the company's programs share: application
// "Cache Login", section "Login". On Windows they sit where these programs
// have always kept them, so existing workstations keep their settings.
namespace SettingsStore {

QString read(const QString &key, const QString &defaultValue = QString());
void write(const QString &key, const QString &value);
// Puts everything written so far on disk.
void flush();

} // namespace SettingsStore
