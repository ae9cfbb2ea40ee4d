#include "programrun.h"

#include "programend.h"
#include "programwindows.h"
#include "qtuserinterface.h"
#include "runtimeguard.h"

#include <QApplication>

int runProgram()
{
    QtUserInterface userInterface;
    ProgramWindows windows(userInterface);
    ProgramEnd end(windows.mainWindow);
    runGuarded([&] {
        windows.mainWindow.Form_Load();
        windows.mainWindow.show();
    });
    end.closeConnectionAtExit();
    return QApplication::exec();
}
