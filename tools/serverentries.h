#pragma once

#include "tools/commandline/commandline.h"

#include <QTextStream>

// karven-admin server list|add|change|remove: the entries of the server list
// (class KV.KassaSW). Every entry that is stored names a server, port and
// namespace that a workstation can connect to. Returns the exit code.
int manageServerEntries(const AdminOptions &options, QTextStream &out, QTextStream &err);
