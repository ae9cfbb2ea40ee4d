#pragma once

#include "tools/commandline/commandline.h"

#include <QTextStream>

// karven-admin site-check: logs in as the owner and, with --role, as the
// workstations' role, and says in German what keeps the site from working:
// a role that gets in without a password, a role that cannot connect or call
// the server functions, a password file that PostgreSQL passes over or whose
// lines do not match, no company record, server entries that lead nowhere, a
// schema older than the program. Changes nothing.
int checkSite(const AdminOptions &options, QTextStream &out, QTextStream &err);
