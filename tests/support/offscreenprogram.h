#pragma once

#include "app/programwindows.h"
#include "tests/support/fakeports.h"

#include <memory>

// The program's real windows and wiring in this process, offscreen; only the
// message boxes are answered by a fake, so a failure shows up as a message
// instead of waiting for a person.
class OffscreenProgram
{
public:
    // A fresh program that will log in through the command line.
    explicit OffscreenProgram(const QString &commandLine);
    ~OffscreenProgram();
    OffscreenProgram(const OffscreenProgram &) = delete;
    OffscreenProgram &operator=(const OffscreenProgram &) = delete;

    // Form_Load and show, as main() does, until the window is on the screen.
    void start();
    FMStart &mainWindow() { return windows_->mainWindow; }
    // What the program showed in message boxes; empty when all went well.
    const QVector<ShownMessage> &messages() const { return userInterface_.messages; }

private:
    FakeUserInterface userInterface_;
    std::unique_ptr<ProgramWindows> windows_;
};
