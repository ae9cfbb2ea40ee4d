#include "app/programwindows.h"

#include "cacheapi/ports/ports.h"

ProgramWindows::ProgramWindows(UserInterfacePort &userInterface)
    : mainWindow(loginDialog), loginDialogPort_(loginDialog)
{
    ports() = Ports{&userInterface, &serverList, &loginDialogPort_, &history_};
    loginDialog.setMainWindow(&mainWindow);
}

ProgramWindows::~ProgramWindows()
{
    ports() = Ports{};
}
