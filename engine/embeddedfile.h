#pragma once

#include <QString>

// How the engine opens a namespace's SQLite file. The file is never made anew
// over one that is there: an existing file is opened without SQLite's create
// flag, and one that cannot be written is opened for reading only, in a way
// that leaves no -shm or -wal file behind that would lock out later writers.
struct EmbeddedFile
{
    QString path;
    bool exists = false;   // false: opening creates it, and the schema goes in
    bool readOnly = false; // the file or its folder cannot be written
    QString refusal;       // why the file is not opened at all; empty when it is

    // The name and options for Qt's SQLite driver.
    QString databaseName() const;
    QString connectOptions() const;
};

// Looks at the file before anything opens it. allowEmpty: a file of zero bytes
// may take a new schema (only on an administrator's explicit request).
EmbeddedFile inspectEmbeddedFile(const QString &path, bool allowEmpty);
