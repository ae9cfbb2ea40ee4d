#pragma once

#include "ports/userinterfaceport.h"

// The database module's view of the window system, with real Qt windows.
class QtUserInterface : public UserInterfacePort
{
public:
    void message(const QString &text, Icon icon, const QString &title) override;
    bool question(const QString &text, const QString &title, Preset preset) override;
    QString input(const QString &prompt, const QString &title) override;
    void setWaitCursor(bool waiting) override;
    void processEvents() override;
    QString commandLine() override;
    void endProgram() override;

private:
    bool waitCursorShown_ = false;
    bool ending_ = false;
};
