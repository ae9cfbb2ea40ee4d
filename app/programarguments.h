#pragma once

#include <QString>
#include <QStringList>

// The program's own options, taken out of its arguments before the login
// command line is looked at.
struct ProgramArguments
{
    bool help = false;
    bool version = false;
    QStringList words; // every other argument, unchanged and in order
};

// arguments: what follows the program's name.
ProgramArguments parseProgramArguments(const QStringList &arguments);

// What "karven --help" and "karven --version" print.
QString programHelpText();
QString programVersionText();
