#include "tests/tools/adminprocess.h"

#include <QProcess>

QString adminProgram()
{
    return QStringLiteral(KARVEN_ADMIN_EXECUTABLE);
}

Outcome runAdminProgram(const QStringList &arguments)
{
    return runAdminProgram(arguments, QProcessEnvironment::systemEnvironment());
}

Outcome runAdminProgram(const QStringList &arguments, const QProcessEnvironment &environment)
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(adminProgram(), arguments);
    Outcome outcome;
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit) {
        process.kill();
        process.waitForFinished();
        outcome.err = QStringLiteral("karven-admin did not finish normally");
        return outcome;
    }
    outcome.exitCode = process.exitCode();
    outcome.out = QString::fromUtf8(process.readAllStandardOutput());
    outcome.err = QString::fromUtf8(process.readAllStandardError());
    return outcome;
}
