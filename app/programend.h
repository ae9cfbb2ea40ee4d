#pragma once

#include <QObject>

class QSessionManager;
class QSocketNotifier;
class QWidget;

// Leads every end of the program that comes from outside into the main
// window's unload handler, which disconnects and ends with exit code 0:
// SIGTERM, SIGINT and SIGHUP (turned into an event on this thread), the end
// of the desktop session and the event loop being asked to quit.
class ProgramEnd : public QObject
{
public:
    explicit ProgramEnd(QWidget &mainWindow);
    ~ProgramEnd() override;
    ProgramEnd(const ProgramEnd &) = delete;
    ProgramEnd &operator=(const ProgramEnd &) = delete;

    // From now on an exit() that the window system calls (it does so when the
    // display is lost) first closes the connection. Called once start-up has
    // made the connection: exit handlers run before the parts of Qt that
    // existed when they were registered are torn down.
    void closeConnectionAtExit();

private:
    void endInOrder();
    void commitSession(QSessionManager &);

    QWidget &mainWindow_;
    QSocketNotifier *signalNotifier_ = nullptr;
};
