#pragma once

#include "tools/commandline/commandline.h"

#include <QTextStream>

// karven-admin swipes --watch: reads the swipe files that time clocks drop
// into a folder, until SIGTERM, SIGINT or SIGHUP. A file is taken when it
// ends in .csv, has kept its size and time of change over two looks after
// the first and ends with a line break (clocks should still write under
// another name and rename the file when done). It is read up to where it was
// seen finished; then it goes to the subfolder "erledigt", or with errors to
// "fehler" beside a text file that says why. One that grows while it is read,
// or in the two minutes after it was put away (the clock still had it open),
// stays or comes back into the folder and is read again when finished: what
// was booked of it before is "schon gebucht" then. While the database cannot be reached, files
// wait where they are; while "erledigt" or "fehler" cannot be written, the
// watcher says so once and pauses, longer each time. Returns the exit code.
int watchSwipeFolder(const AdminOptions &options, QTextStream &out, QTextStream &err);
