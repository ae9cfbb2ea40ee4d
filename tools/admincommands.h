#pragma once

#include "commandline.h"

#include <QTextStream>

// Runs the command the options name. Results go to out, failures to err;
// returns the program's exit code. Never throws.
int runAdminCommand(const AdminOptions &options, QTextStream &out, QTextStream &err);
