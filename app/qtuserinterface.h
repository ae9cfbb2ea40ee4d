#pragma once

#include "cacheapi/ports/userinterfaceport.h"

#include <memory>

class QProgressDialog;

// The database module's view of the window system, with real Qt windows.
class QtUserInterface : public UserInterfacePort
{
public:
    QtUserInterface();
    ~QtUserInterface() override;
    QtUserInterface(const QtUserInterface &) = delete;
    QtUserInterface &operator=(const QtUserInterface &) = delete;

    void message(const QString &text, Icon icon, const QString &title) override;
    bool question(const QString &text, const QString &title, Preset preset) override;
    QString input(const QString &prompt, const QString &title) override;
    void setWaitCursor(bool waiting) override;
    void showWaitNotice(const QString &text, const QString &title) override;
    void hideWaitNotice() override;
    void processEvents() override;
    QString commandLine() override;
    void endProgram() override;

private:
    std::unique_ptr<QProgressDialog> waitNotice_; // made on its first showing
    bool waitCursorShown_ = false;
    bool ending_ = false;
};
