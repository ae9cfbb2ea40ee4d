#pragma once

#include "tools/commandline/commandline.h"

#include <QTextStream>

class Session;

// Where the namespace's data live, as an administrator looks for them.
QString databaseLocation(const AdminOptions &options);

enum class DamagePolicy { Refuse, Report };

// Opens the namespace's database for a command. Never creates one by mistake;
// a damaged one is refused before anything is written to it, unless the
// command is there to report the damage. Says why on err when it fails.
bool openExisting(Session &session, const AdminOptions &options, QTextStream &err,
                  DamagePolicy damage = DamagePolicy::Refuse);

// A reason as one line of a message: drivers break theirs over several.
QString oneLine(const QString &text);

// Why a connection failed, as one line: German with what to do for the common
// reasons, followed by the driver's own words.
QString connectionFailure(const QString &driverText);
