#pragma once

#include <QString>

struct AdminCommand;

// The German help texts of karven-admin.

// The options every command takes.
extern const QString commonOptionsHelp;
// The help without a command: what karven-admin does and its commands.
QString generalHelp();
// The command's help with the common options; the general help without a command.
QString helpOf(const AdminCommand *command);
