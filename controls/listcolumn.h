#pragma once

#include <QString>

// One column of a list: its header and its width relative to the other columns.
struct ListColumn
{
    QString header;
    int relativeWidth = 1;
};
