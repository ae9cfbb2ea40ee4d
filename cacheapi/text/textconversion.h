#pragma once

// Conversion between the displayed text and the server's stored character
// form, in which ä ö ü ß Ä Ö Ü are kept as { | } ~ [ \ ] and § as õ.

#include <QString>

// Converts text by mode: "GUIKARVEN" (display to stored), "KARVEN" (stored to
// display), "KARVENSZ" (as KARVEN, but | and \ stay), "RTF" (RTF escapes),
// "KARVENSUCHE" (search form: ß Ä Ö Ü spelt out). Any other mode returns the
// text as it is. With gross the text is upper-cased first; ß stays ß.
QString Umwandeln(const QString &text, const QString &mode, bool gross);

// Replaces every occurrence of such by durch, left to right, without overlap.
// Unless ganz is set, such and durch count only with their first character.
QString Ersetze(const QString &text, const QString &such, const QString &durch, bool ganz);

// Selects the whole text of a box with a QLineEdit-like selection API; the
// focus is left where it is.
template <class Box> void AllesMarkieren(Box &box)
{
    box.setSelection(0, static_cast<int>(box.text().size()));
}
