#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVector>

// A CSV file as German offices write it: semicolons between fields, fields in
// double quotes where they hold a semicolon, a quote ("" inside) or a line
// break; UTF-8 with or without byte order mark, UTF-16 with one, or else
// Windows-1252. Empty lines are skipped.
struct CsvRecord
{
    int line = 0; // where the record begins, counted from 1
    QStringList fields;
};

struct CsvFile
{
    QString encoding;           // as people name it: "UTF-8", "Windows-1252", "UTF-16"
    QVector<CsvRecord> records; // the header row first
    QString error;              // what makes the file unreadable; empty when it was read
};

// Where each known column stands in a file, from its header row: names in any
// order and any case; an unknown, doubled or missing required name is an error.
struct CsvHeader
{
    QHash<QString, int> columnOf; // known name as given in the list -> field index
    int fieldCount = 0;
    QStringList errors; // "Zeile n: …"
};
CsvHeader readCsvHeader(const CsvRecord &header, const QStringList &known,
                        const QStringList &required);

// Reads and parses the whole file.
CsvFile readCsvFile(const QString &path);
// Parses bytes as they came from a file.
CsvFile parseCsv(const QByteArray &bytes);
