#include "offscreenprogram.h"

#include "cacheapi.h"
#include "frmprogrammverlauf.h"
#include "user_anmeld.h"

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
