#pragma once

#include "connectiontarget.h"
#include "engineconfig.h"

#include <QHash>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <functional>

// One connection of the engine to its SQL database, with the server context
// that commands set on it (FIRMA, FIL, PERSONAL and any other local variable).
// Server objects share it; once it is closed their calls fail cleanly.
class Session
{
public:
    Session(EngineKind kind, ConnectionTarget target);
    ~Session();
    Session(const Session &) = delete;
    Session &operator=(const Session &) = delete;

    // Opens the database and creates the schema in an empty one. On failure
    // returns false and keeps the reason in lastError().
    bool open();
    void close();
    bool isOpen() const { return open_; }
    // Whether the connection still works; closes it when it was lost.
    bool isAlive();
    const QString &lastError() const { return lastError_; }
    EngineKind kind() const { return kind_; }

    // Runs one statement with bound values (never pasted into the SQL).
    // Throws CacheError; a connection found lost closes the session first.
    QSqlQuery exec(const QString &sql, const QVariantList &values = {});

    // The first column of the first row, or an invalid QVariant when there is
    // none. The statement is finished at once: an unfinished read would keep
    // SQLite from taking the write lock later on this connection.
    QVariant firstValue(const QString &sql, const QVariantList &values = {});

    // The column names of a table, in lower case.
    QStringList columns(const QString &table) const;
    // The names of the database's tables.
    QStringList tables() const;

    // Runs work in one transaction: all of it or nothing.
    void transaction(const std::function<void()> &work);

    QHash<QString, QString> &variables() { return variables_; }

private:
    [[noreturn]] void fail(const QString &what, const QString &databaseMessage);
    bool stillReachable();

    EngineKind kind_;
    ConnectionTarget target_;
    QString connectionName_;
    bool open_ = false;
    bool inTransaction_ = false;
    QString lastError_;
    QHash<QString, QString> variables_;
};
