#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

// What a server command can reach beyond its own text: the connection's local
// variables, the global nodes and the server's routines.
class CommandEnvironment
{
public:
    virtual ~CommandEnvironment() = default;
    virtual QHash<QString, QString> &variables() = 0;
    // Value of ^name(subscripts); throws CacheError when the node has none.
    virtual QString global(const QString &name, const QStringList &subscripts) = 0;
    // Runs "D ^name"; throws CacheError for a routine the server lacks.
    virtual void runRoutine(const QString &name) = 0;
};

// Runs one command line of the small command language the server understands:
//   S name=expr[,name=expr...]   W expr[,expr...]   D ^routine
// with expressions made of string literals ("" inside is one quote), numbers,
// local variables, globals ^NAME(subscripts) and $P(text,delimiter[,n]).
// Commands are separated by blanks. Anything else throws a syntax error
// before any command of the line has run. Returns what the line wrote.
QString runServerCommand(const QString &line, CommandEnvironment &environment);
