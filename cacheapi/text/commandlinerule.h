#pragma once

#include <QString>

// Whether the command line supplies the login: words 1 and 2 numeric, word 3
// at most three characters and not numeric.
bool KommandozeileQualifiziert(const QString &kommandozeile);
