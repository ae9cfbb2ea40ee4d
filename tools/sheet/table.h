#pragma once

#include <QString>
#include <QStringList>
#include <QVariantList>

// A table as karven-admin writes it out: German column titles and rows of
// typed cells. A cell is a QString (numbers that identify something, such as
// cards and personnel numbers, are texts: their leading zeros count), a QDate,
// a QTime or a QDateTime (a wall-clock moment as a clock wrote it, in UTC so
// that nothing converts it).
struct Table
{
    QString sheetName; // the worksheet's name in a workbook
    QStringList titles;
    QList<QVariantList> rows;
};

// A cell as people read it: dates TT.MM.JJJJ, times HH:MM, moments
// TT.MM.JJJJ HH:MM:SS, texts as they are.
QString cellText(const QVariant &cell);
