#include "programunderbench.h"

#include "cacheapi.h"
#include "frmprogrammverlauf.h"
#include "user_anmeld.h"

#include <QCoreApplication>
#include <QTest>

ProgramUnderBench::ProgramUnderBench(const QString &commandLine)
{
    resetConnectionRecord();
    resetLoginCommandLine();
    userInterface_.arguments = commandLine;
    windows_ = std::make_unique<ProgramWindows>(userInterface_);
}

ProgramUnderBench::~ProgramUnderBench()
{
    Trennen();
    windows_.reset();
    frmProgrammverlauf::unload();
    resetConnectionRecord();
}

void ProgramUnderBench::start()
{
    mainWindow().Form_Load();
    mainWindow().show();
    if (!QTest::qWaitForWindowExposed(&mainWindow()))
        qFatal("the main window did not appear");
    QCoreApplication::processEvents();
}
