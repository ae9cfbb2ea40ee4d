// karven-admin: creates and fills a KARVEN database and books cards as a time clock would.

#include "tools/admincommands.h"
#include "tools/commandline/commandline.h"

#include <QCoreApplication>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    const CommandLine commandLine = parseCommandLine(app.arguments());
    switch (commandLine.outcome) {
    case CommandLine::Help:
        out << commandLine.message;
        return ExitSuccess;
    case CommandLine::Error:
        err << "karven-admin: " << commandLine.message << "\nHilfe: karven-admin --help\n";
        return ExitUsage;
    case CommandLine::Run:
        break;
    }
    return runAdminCommand(commandLine.options, out, err);
}
