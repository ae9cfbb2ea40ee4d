#pragma once

#include "tools/commandline/adminoptions.h"

#include <QString>
#include <QStringList>

struct CommandLine
{
    enum Outcome { Run, Help, Error };
    Outcome outcome = Error;
    QString message; // the help or version text, or what is wrong
    AdminOptions options;
};

// arguments as the program receives them, the program name first.
CommandLine parseCommandLine(const QStringList &arguments);
