#pragma once

#include "tools/sheet/table.h"

#include <QByteArray>
#include <QString>

// A table as an Excel workbook of one worksheet, whose cells keep their type:
// texts are text cells (never a formula, whatever they begin with, and "002214"
// keeps its zeros), dates, times and moments are date and time cells shown
// TT.MM.JJJJ, HH:MM and TT.MM.JJJJ HH:MM:SS. The titles are the first row.
// Returns the file's bytes, or sets problem to what went wrong.
QByteArray xlsxContent(const Table &table, QString &problem);
