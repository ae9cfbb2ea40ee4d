#pragma once

#include <QString>
#include <QStringList>

// Writes rows as a CSV file that German spreadsheet programs open as they are:
// semicolons between fields, UTF-8 with a byte order mark, CR LF line ends.
// The file is written whole or not at all; an existing file is replaced only
// when replace is true. Returns what went wrong, or an empty text.
QString writeCsvFile(const QString &path, const QList<QStringList> &rows, bool replace);

// One field as it stands in such a file: quoted where it holds a separator, a
// quote, a line break or leading or trailing blanks; a leading = + - @ is
// preceded by an apostrophe, so that no spreadsheet takes the text for a formula.
QString csvField(const QString &text);
