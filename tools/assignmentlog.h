#pragma once

#include "tools/commandline/commandline.h"

#include <QTextStream>

// karven-admin log: a company's card assignments, oldest first, for one card,
// employee (as the new or the previous holder) or day when asked; on the
// terminal, or with --csv and --xlsx as files for a spreadsheet program.
// Returns the exit code.
int showAssignmentLog(const AdminOptions &options, QTextStream &out, QTextStream &err);
