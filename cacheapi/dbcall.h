#pragma once

#include <QString>

// Runs one command line on the server and returns what it wrote. On failure
// the error is reported, fehler is set and the text so far (usually empty)
// returned; on success fehler is left as the caller set it.
QString dbcall(const QString &befehl, bool &fehler);
