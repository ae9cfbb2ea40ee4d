#pragma once

#include <QString>
#include <QStringList>

// The words of a karven-admin command line (the command and, for server, what
// to do), or what is wrong with its form, in German.
struct CommandSyntax
{
    QString problem;
    QStringList words;
};

// Reads the arguments (the program name first) in order and names the first
// one that QCommandLineParser would take differently from karven-admin: a
// word with one dash, a value that is missing or blank, a value given to a
// switch, an option no command knows, a word too many. Whether an option
// belongs to the command is left to the command's parser.
CommandSyntax readSyntax(const QStringList &arguments);
