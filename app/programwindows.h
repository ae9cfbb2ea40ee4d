#pragma once

#include "app/fmstart.h"
#include "app/historywindowport.h"
#include "login/fmpass.h"
#include "login/logindialogwindow.h"
#include "servers/serverlistwindow.h"

class UserInterfacePort;

// The program's windows, wired to the database module through its ports.
class ProgramWindows
{
public:
    explicit ProgramWindows(UserInterfacePort &userInterface);
    ~ProgramWindows();
    ProgramWindows(const ProgramWindows &) = delete;
    ProgramWindows &operator=(const ProgramWindows &) = delete;

    ServerListWindow serverList;
    FMPass loginDialog;
    FMStart mainWindow;

private:
    LoginDialogWindow loginDialogPort_;
    HistoryWindowPort history_;
};
