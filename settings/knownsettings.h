#pragma once

#include "settings/connectiondefaults.h"

// The two settings files of a user. Their names and keys are what existing
// workstations have stored (on Windows, in the registry), so they never change.
enum class SettingsFile {
    // Shared with the company's other programs: "VB and VBA Program Settings",
    // application "Cache Login".
    Login,
    // The program's own: organisation and application "KARVEN".
    Program,
};

struct Setting
{
    SettingsFile file;
    const char *key; // "Section/Key" as stored
    const char *defaultValue;
};

// Every setting the programs read or write.
namespace LoginSetting {

// The server list entry saved as standard; empty until one is.
inline constexpr Setting ServerObjekt{SettingsFile::Login, "Login/ServerObjekt", ""};
// Server and port have no default: the user is asked for them when they are empty.
inline constexpr Setting Server{SettingsFile::Login, "Login/Server", ""};
inline constexpr Setting Port{SettingsFile::Login, "Login/Port", ""};
inline constexpr Setting Firma{SettingsFile::Login, "Login/Firma", ConnectionDefaults::firma};
inline constexpr Setting Filiale{SettingsFile::Login, "Login/Filiale", ConnectionDefaults::filiale};
inline constexpr Setting Namespace{SettingsFile::Login, "Login/Namespace",
                                   ConnectionDefaults::nameSpace};
inline constexpr Setting Name{SettingsFile::Login, "Login/Name", ""};
// Scrambled, never in clear.
inline constexpr Setting Passwort{SettingsFile::Login, "Login/Passwort", ""};

} // namespace LoginSetting

namespace ProgramSetting {

// The engine for starts without KARVEN_ENGINE.
inline constexpr Setting Engine{SettingsFile::Program, "Engine/Engine", "sqlite"};

} // namespace ProgramSetting
