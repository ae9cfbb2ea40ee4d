#include "app/programrun.h"

#include "app/programend.h"
#include "app/programwindows.h"
#include "app/qtuserinterface.h"
#include "guard/runtimeguard.h"

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
