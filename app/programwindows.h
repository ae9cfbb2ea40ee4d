#pragma once

#include "fmpass.h"
#include "fmstart.h"
#include "historywindowport.h"
#include "logindialogwindow.h"
#include "serverlistwindow.h"

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
