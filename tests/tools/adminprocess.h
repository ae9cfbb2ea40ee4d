#pragma once

#include <QString>
#include <QStringList>

// What a run of the karven-admin program gave.
struct Outcome
{
    int exitCode = -1;
    QString out;
    QString err;
};

// Runs the karven-admin program that this build made.
Outcome runAdminProgram(const QStringList &arguments);

// The karven-admin program that this build made, for running it in other ways.
QString adminProgram();
