#pragma once

#include "historyport.h"
#include "logindialogport.h"
#include "serverlistport.h"
#include "userinterfaceport.h"

// The windows above the database module, as the application wired them up.
struct Ports
{
    UserInterfacePort *userInterface = nullptr;
    ServerListPort *serverList = nullptr;
    LoginDialogPort *loginDialog = nullptr;
    HistoryPort *history = nullptr;
};

Ports &ports();
