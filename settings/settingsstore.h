#pragma once

#include "settings/knownsettings.h"

#include <QString>

// Reads and writes the settings named in knownsettings.h. Writes stay in memory
// until the file is flushed (or the program ends normally).
namespace SettingsStore {

// The stored text, or the setting's default when it is missing or not a text.
QString read(const Setting &setting);
void write(const Setting &setting, const QString &value);
// Puts everything written to a file so far on disk. Answers where the file is,
// or an empty text when it could not be written.
QString flush(SettingsFile file);

} // namespace SettingsStore
