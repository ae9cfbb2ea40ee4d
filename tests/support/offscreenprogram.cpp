#include "tests/support/offscreenprogram.h"

#include "cacheapi/cacheapi.h"
#include "history/frmprogrammverlauf.h"
#include "login/user_anmeld.h"

#include <QCoreApplication>
#include <QTest>

OffscreenProgram::OffscreenProgram(const QString &commandLine)
{
    resetConnectionRecord();
    resetLoginCommandLine();
    userInterface_.arguments = commandLine;
    windows_ = std::make_unique<ProgramWindows>(userInterface_);
}

OffscreenProgram::~OffscreenProgram()
{
    Trennen();
    windows_.reset();
    frmProgrammverlauf::unload();
    resetConnectionRecord();
}

void OffscreenProgram::start()
{
    mainWindow().Form_Load();
    mainWindow().show();
    if (!QTest::qWaitForWindowExposed(&mainWindow()))
        qFatal("the main window did not appear");
    QCoreApplication::processEvents();
}
