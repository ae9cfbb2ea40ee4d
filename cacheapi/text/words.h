#pragma once

// Word splitting, password scrambling and the numeric test of the command line.

#include <QChar>
#include <QString>

// Word n (counted from 1) of text, words being separated by separator; two
// adjacent separators enclose an empty word. An empty or missing word gives
// defaultValue, but an empty text always gives an empty result.
QString GetWort(const QString &text, QChar separator, int n, const QString &defaultValue);

// Scrambles a password for the settings store: each character's Windows-1252
// code is combined with 3 by exclusive or. Applying it twice gives the text
// back. Characters without a Windows-1252 code are kept as they are.
QString PasswortKodieren(const QString &text);

// Whether text is a number: optional blanks around it, an optional sign,
// digits with at most one decimal point or comma, and an optional exponent.
bool IstNumerisch(const QString &text);
