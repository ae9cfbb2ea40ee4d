#pragma once

#include <QString>

// The server keeps German letters in a stored form of its own:
// ä ö ü ß Ä Ö Ü § as { | } ~ [ \ ] õ.
QString storedToDisplay(const QString &stored);
QString displayToStored(const QString &display);
