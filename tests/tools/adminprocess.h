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
