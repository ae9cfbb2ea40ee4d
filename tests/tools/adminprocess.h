#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

// What a run of the karven-admin program gave.
struct Outcome
{
    int exitCode = -1;
    QString out;
    QString err;
};

// Runs the karven-admin program that this build made, in this process's
// environment or in the one given.
Outcome runAdminProgram(const QStringList &arguments);
Outcome runAdminProgram(const QStringList &arguments, const QProcessEnvironment &environment);

// The karven-admin program that this build made, for running it in other ways.
QString adminProgram();
