#pragma once

#include "commandline.h"

#include <QTextStream>

class Session;

// Runs the command the options name. Results go to out, failures to err;
// returns the program's exit code. Never throws.
int runAdminCommand(const AdminOptions &options, QTextStream &out, QTextStream &err);

// Opens the namespace's database without creating one by mistake; says why not on err.
bool openExisting(Session &session, const AdminOptions &options, QTextStream &err);
