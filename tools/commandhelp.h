#pragma once

#include <QHash>
#include <QString>

// The German help texts of karven-admin.

// The options every command takes.
extern const QString commonOptionsHelp;
// The help of each command, by its name; also the list of known commands.
const QHash<QString, QString> &commandHelp();
// The help without a command: what karven-admin does and its commands.
QString generalHelp();
