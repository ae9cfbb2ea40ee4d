#pragma once

#include <QString>

// The server keeps German letters in a stored form of its own:
// ä ö ü ß Ä Ö Ü § as { | } ~ [ \ ] õ.
QString storedToDisplay(const QString &stored);
QString displayToStored(const QString &display);

// Why a text cannot be kept in the stored form, in German, or an empty text
// when it can: the characters the stored form uses for the letters would come
// back as those letters ("[" as "Ä").
QString unstorableReason(const QString &display);
