#pragma once

#include "tools/commandline/commandline.h"

#include <QTextStream>

// karven-admin import: master data files in the order their records depend on
// each other (departments, employees, login users, cards), each file in one
// transaction; stops at the first file with an error. Returns the exit code.
int importFiles(const AdminOptions &options, QTextStream &out, QTextStream &err);

// karven-admin swipes --file: one time clock file, or --watch: a folder of them.
int importSwipes(const AdminOptions &options, QTextStream &out, QTextStream &err);
