#pragma once

#include <QMap>
#include <QString>

class SqliteFile;

// The ids a SQLite database has handed out, so that a restored one continues above them.

// The highest id each such table has handed out: the larger of its number in
// sqlite_sequence (which counts the ids of rows deleted since) and its largest
// id now. What cannot be read (a damaged database) is left out and named in *unread.
using HighestIds = QMap<QString, qint64>;

HighestIds highestIds(const SqliteFile &file, QString *unread);

// Raises the number in sqlite_sequence of each table of `file` that hands out
// ids to at least `highest`, so that its next id is above them.
bool raiseSequences(const SqliteFile &file, const HighestIds &highest, QString *error);
