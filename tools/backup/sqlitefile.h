#pragma once

#include <QSqlDatabase>
#include <QString>

struct sqlite3;

// A connection of its own to one SQLite database file, for work that goes past
// Qt SQL: its sqlite3 handle serves SQLite's online backup.
class SqliteFile
{
public:
    explicit SqliteFile(const QString &path);
    ~SqliteFile();
    SqliteFile(const SqliteFile &) = delete;
    SqliteFile &operator=(const SqliteFile &) = delete;

    // Opens the file for reading and writing, or only reading when it is write
    // protected; a missing file is created, a folder refused. False with the
    // reason in lastError().
    bool open();
    const QString &path() const { return path_; }
    const QString &lastError() const { return lastError_; }
    QSqlDatabase database() const;
    sqlite3 *handle() const { return handle_; }

private:
    QString path_;
    QString connectionName_;
    QString lastError_;
    sqlite3 *handle_ = nullptr;
};
