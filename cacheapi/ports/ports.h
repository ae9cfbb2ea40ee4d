#pragma once

#include "cacheapi/ports/historyport.h"
#include "cacheapi/ports/logindialogport.h"
#include "cacheapi/ports/serverlistport.h"
#include "cacheapi/ports/userinterfaceport.h"

// The windows above the database module, as the application wired them up.
struct Ports
{
    UserInterfacePort *userInterface = nullptr;
    ServerListPort *serverList = nullptr;
    LoginDialogPort *loginDialog = nullptr;
    HistoryPort *history = nullptr;
};

Ports &ports();
