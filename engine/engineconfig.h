#pragma once

#include "cacheapi/objects/connectiontarget.h"

#include <QString>
#include <optional>

// Which SQL database carries the object interface: an embedded SQLite file per
// namespace (one workstation) or a PostgreSQL server (a site's shared server).
enum class EngineKind { Sqlite, Postgres };

std::optional<EngineKind> engineKindFromName(const QString &name);
QString engineName(EngineKind kind);

// The engine name in force: KARVEN_ENGINE, else the program's own setting, else
// "sqlite". Not
// checked here: an unknown name is refused when a factory is made.
QString configuredEngineName();
// Stores the engine choice in the program's own settings of this user, for
// starts without KARVEN_ENGINE (from the desktop menu). Answers where it is
// stored, or an empty text when it could not be written.
QString storeEngineChoice(EngineKind kind);

// Folder of the embedded databases: KARVEN_DATA_DIR, else the per-user data folder.
QString engineDataDirectory();

// The embedded database file that holds a namespace.
QString embeddedDatabaseFile(const ConnectionTarget &target);

// Options of every PostgreSQL connection: give up on an unreachable server
// after a few seconds, and keep the server's notices out of the program's output.
QString postgresConnectOptions();
