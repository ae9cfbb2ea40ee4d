#include "app/programend.h"

#include "cacheapi/cacheapi.h"

#include <QGuiApplication>
#include <QSessionManager>
#include <QSocketNotifier>
#include <QWidget>
#include <csignal>
#include <cstdlib>
#include <sys/socket.h>
#include <unistd.h>

namespace {

const int endSignals[] = {SIGTERM, SIGINT, SIGHUP};

// Written by the signal handler, read on the GUI thread.
int signalSockets[2] = {-1, -1};

bool closeConnectionOnExit = false;

void forwardSignal(int number)
{
    const char byte = static_cast<char>(number);
    [[maybe_unused]] const ssize_t written = ::write(signalSockets[0], &byte, 1);
}

void setSignalHandler(void (*handler)(int))
{
    struct sigaction action = {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int number : endSignals)
        sigaction(number, &action, nullptr);
}

void closeConnectionAtProcessExit()
{
    if (closeConnectionOnExit)
        releaseConnection();
}

} // namespace

ProgramEnd::ProgramEnd(QWidget &mainWindow) : mainWindow_(mainWindow)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalSockets) == 0) {
        signalNotifier_ = new QSocketNotifier(signalSockets[1], QSocketNotifier::Read, this);
        connect(signalNotifier_, &QSocketNotifier::activated, this, [this] {
            char number = 0;
            [[maybe_unused]] const ssize_t read = ::read(signalSockets[1], &number, 1);
            endInOrder();
        });
        setSignalHandler(forwardSignal);
    } else {
        qWarning("No signal socket: SIGTERM, SIGINT and SIGHUP end the program at once");
    }
    connect(qGuiApp, &QGuiApplication::commitDataRequest, this, &ProgramEnd::commitSession);
    connect(qGuiApp, &QCoreApplication::aboutToQuit, this, &ProgramEnd::endInOrder);
}

ProgramEnd::~ProgramEnd()
{
    closeConnectionOnExit = false;
    if (signalNotifier_) {
        setSignalHandler(SIG_DFL);
        ::close(signalSockets[0]);
        ::close(signalSockets[1]);
    }
}

void ProgramEnd::closeConnectionAtExit()
{
    static const bool registered = std::atexit(closeConnectionAtProcessExit) == 0;
    closeConnectionOnExit = registered;
}

void ProgramEnd::endInOrder()
{
    // The main window's unload handler disconnects, unloads every window and ends.
    mainWindow_.close();
}

void ProgramEnd::commitSession(QSessionManager &)
{
    // The session may still be cancelled; what must not be lost when it is not,
    // is settled now. The next server access connects again; one that runs
    // (the request can come in any of its waits) keeps its connection to the end.
    disconnectWhenAccessEnds();
    SettingsStore::flush(SettingsFile::Login);
}
