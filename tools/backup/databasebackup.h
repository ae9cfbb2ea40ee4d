#pragma once

#include "tools/commandline/commandline.h"

#include <QTextStream>

// karven-admin backup and restore of the embedded SQLite database, safe while
// the program has it open. Results go to out, failures to err; return the exit code.
int backupDatabase(const AdminOptions &options, QTextStream &out, QTextStream &err);
int restoreDatabase(const AdminOptions &options, QTextStream &out, QTextStream &err);
