#pragma once

#include "tools/commandline/adminoptions.h"

#include <QString>
#include <QTextStream>

class SqliteFile;
struct sqlite3_backup;

// What backup and restore share: SQLite's online backup from one file into another.

// True, having said why on err, when the options name a PostgreSQL database:
// backup and restore are for the embedded one.
bool refusedForPostgres(const AdminOptions &options, QTextStream &err);
// Whether both paths name one existing file.
bool sameFile(const QString &one, const QString &other);
// Opens both files; false, having said on err which one will not open.
bool openBoth(SqliteFile &one, SqliteFile &other, QTextStream &err);
// Steps a backup, trying again while another connection holds the write lock.
int backupStep(sqlite3_backup *backup, int pages);
// Replaces the contents of `to` by one consistent state of `from`, in one transaction.
bool copyDatabase(const SqliteFile &from, const SqliteFile &to, QString *error);
