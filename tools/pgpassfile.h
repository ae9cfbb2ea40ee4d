#pragma once

#include "cacheapi/objects/connectiontarget.h"

#include <QString>

// The password file as libpq reads it (PGPASSFILE, else ~/.pgpass), for
// saying why a login finds no password.

// The server and port as libpq compares them with the file's lines: as given
// (never resolved, so a name and its address are different servers).
QString passwordFileHost(const ConnectionTarget &target);
QString passwordFilePort(const ConnectionTarget &target);

// Why libpq would find no password for the role in the file, in German; empty
// when a line matches.
QString passwordFileProblem(const QString &host, const QString &port, const QString &database,
                            const QString &role);
