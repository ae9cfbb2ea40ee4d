#pragma once

#include "cacheapi/objects/cacheerror.h"

#include <QString>

// Reports a failed server call: a message box, a line on top of the program
// history, and the end of one level of the caller's access bracket.
void CacheFehlermeldung(const CacheError &fehler, const QString &vorgang);
// Puts one line on top of the program history; never fails.
void Protokollieren(const QString &programmteil, const QString &text, const QString &parameter);

// The message of the report, as shown to the user.
QString fehlermeldungText(const CacheError &fehler, const QString &vorgang);
