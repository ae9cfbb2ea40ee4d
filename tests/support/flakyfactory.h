#pragma once

// A factory that refuses to connect a given number of times before it lets a
// real engine factory connect, to test the retries of the connect routine.

#include "cacheapi/objects/cacheobjects.h"

#include <QStringList>
#include <functional>
#include <memory>

struct ConnectionScript
{
    int failuresLeft = 0;         // connect answers false this many more times
    int attempts = 0;             // factories created and asked to connect
    QStringList connectionStrings; // as each attempt received it
    QStringList commands;         // every "Xecute" sent, in order
    QString refusedCommandPrefix; // "Xecute" of a command starting so fails, when set
    bool queriesFail = false;     // opening a result set fails
    QString missingQuery;         // a query the server does not offer, when set
    QStringList objectsOpened;    // "class id" of every object opened by id, "class" of new ones
    int objectsClosed = 0;        // "sys_close" calls
    QStringList queriesOpened;    // "class query" of every result set opened
    std::function<void(const NewBookingsNotice &)> newBookingsListener; // the program's, as the last factory was given it
};

// Registers factories that follow the script and otherwise behave like the
// configured engine. The script must outlive every factory made.
void registerFlakyFactory(ConnectionScript &script);
