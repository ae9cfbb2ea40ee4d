#pragma once

#include "commandline.h"

#include <QTextStream>

// karven-admin swipes --watch: reads the swipe files that time clocks drop
// into a folder, until SIGTERM, SIGINT or SIGHUP. A file is read once it ends
// in .csv and has not changed for one look (clocks should write under another
// name and rename it when done); then it goes to the subfolder "erledigt", or
// with errors to "fehler" beside a text file that says why. While the
// database cannot be reached, files wait where they are. Returns the exit code.
int watchSwipeFolder(const AdminOptions &options, QTextStream &out, QTextStream &err);
