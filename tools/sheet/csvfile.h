#pragma once

#include "tools/sheet/table.h"

#include <QByteArray>
#include <QString>

// A table as a CSV file that German spreadsheet programs and payroll programs
// open as it is: semicolons between fields, UTF-8 with a byte order mark, CR LF
// line ends, the titles first.
QByteArray csvContent(const Table &table);

// One field as it stands in such a file: quoted where it holds a separator, a
// quote, a line break or leading or trailing blanks; a leading = + - @ is
// preceded by an apostrophe, so that no spreadsheet takes the text for a formula.
QString csvField(const QString &text);
