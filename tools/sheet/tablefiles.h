#pragma once

#include "tools/sheet/table.h"

#include <QString>

// Where a table goes: a CSV file, an Excel workbook, or both (empty: not asked for).
struct TableFiles
{
    QString csv;
    QString xlsx;

    // "a.csv", or "a.csv und a.xlsx", for telling where it went.
    QString names() const;
};

// Writes the table into each file asked for, each whole or not at all: an
// existing file is replaced only when replace is true, and when one file is
// refused or fails, none is written. Returns what went wrong, or an empty text.
QString writeTableFiles(const Table &table, const TableFiles &files, bool replace);
