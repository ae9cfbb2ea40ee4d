#pragma once

#include "tools/commandline/commandline.h"

#include <QTextStream>

// Runs the command the options name. Results go to out, failures to err;
// returns the program's exit code. Never throws.
int runAdminCommand(const AdminOptions &options, QTextStream &out, QTextStream &err);

// The commands that work on the database as a whole or on one booking, each
// returning the exit code.
int createSite(const AdminOptions &options, QTextStream &out, QTextStream &err);
int seedDemo(const AdminOptions &options, QTextStream &out, QTextStream &err);
int bookAsTimeClock(const AdminOptions &options, QTextStream &out, QTextStream &err);
int listUnassigned(const AdminOptions &options, QTextStream &out, QTextStream &err);
int reopenTakenOff(const AdminOptions &options, QTextStream &out, QTextStream &err);
int listBookings(const AdminOptions &options, QTextStream &out, QTextStream &err);
int checkDatabase(const AdminOptions &options, QTextStream &out, QTextStream &err);
int configureEngine(const AdminOptions &options, QTextStream &out, QTextStream &err);
int grantWorkstationRole(const AdminOptions &options, QTextStream &out, QTextStream &err);
