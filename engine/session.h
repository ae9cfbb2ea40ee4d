#pragma once

#include "cacheapi/objects/connectiontarget.h"
#include "engine/engineconfig.h"

#include <QHash>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <QVector>
#include <functional>
#include <optional>

// One connection of the engine to its SQL database, with the server context
// that commands set on it (FIRMA, FIL, PERSONAL and any other local variable).
// Server objects share it; once it is closed their calls fail cleanly.
class Session
{
public:
    // Where opening may put a new schema. The program's own first start on a
    // workstation creates its file; any file that is there already must hold
    // a KARVEN database, except that an administrator's "create" may fill an
    // empty one. A look before creating (Never) takes only a database that
    // holds the schema already.
    enum class SchemaCreation { InNewFileOnly, AlsoInEmptyFile, Never };

    Session(EngineKind kind, ConnectionTarget target);
    // A session on one SQLite file named by its path instead of a namespace:
    // a copy that is made ready before it takes a namespace's place (restore).
    explicit Session(const QString &sqliteFile);
    ~Session();
    Session(const Session &) = delete;
    Session &operator=(const Session &) = delete;

    // Opens the database: creates the schema where creation allows it, brings
    // an older schema up to date. On failure returns false and keeps the
    // reason in lastError(); a file that is no KARVEN database stays untouched.
    bool open(SchemaCreation creation = SchemaCreation::InNewFileOnly);
    void close();
    bool isOpen() const { return open_; }
    // Whether the connection still works; closes it when it was lost.
    bool isAlive();
    const QString &lastError() const { return lastError_; }
    EngineKind kind() const { return kind_; }
    // The file or server database, as messages name it.
    QString location() const;
    // The server, port and namespace this session was made for.
    const ConnectionTarget &target() const { return target_; }

    // Runs one statement with bound values (never pasted into the SQL).
    // Throws CacheError; a connection found lost closes the session first.
    QSqlQuery exec(const QString &sql, const QVariantList &values = {});

    // Runs one statement whose values no other connection may see: on
    // PostgreSQL they go to the server apart from the statement's text (which
    // pg_stat_activity shows to every connection of the role), which also
    // spares large values being quoted into that text. "?" marks each value.
    // All its rows, each as its columns' values.
    QVector<QVariantList> execPrivately(const QString &sql, const QVariantList &values);

    // Runs a script of several statements without values, as one call.
    void execScript(const QString &sql);

    // A statement prepared once and run many times with run(), for work that
    // repeats one statement over thousands of rows (imports). Throws as exec().
    QSqlQuery prepare(const QString &sql);
    void run(QSqlQuery &statement, const QVariantList &values);

    // The first column of the first row, or an invalid QVariant when there is
    // none. The statement is finished at once: an unfinished read would keep
    // SQLite from taking the write lock later on this connection.
    QVariant firstValue(const QString &sql, const QVariantList &values = {});

    // After many rows of the tables changed at once: PostgreSQL's planner would
    // keep the row counts it saw before until its autovacuum comes round, and
    // scan a whole table where an index answers. SQLite plans without them.
    // Outside a transaction.
    void renewStatistics(const QStringList &tables);

    // The column names of a table, in lower case.
    QStringList columns(const QString &table) const;
    // The names of the database's tables.
    QStringList tables() const;

    // Runs work in one transaction: all of it or nothing. Inside a running
    // transaction it is part of that one.
    void transaction(const std::function<void()> &work);

    QHash<QString, QString> &variables() { return variables_; }
    const QHash<QString, QString> &variables() const { return variables_; }

    // The user logged in on this connection, as the engine keeps it where the
    // database has no server of its own to keep it (SQLite). The company is
    // the one the user logged in to; the code is the login record's key.
    struct LoggedInUser
    {
        QString company;
        QString branch;
        QString code;
    };
    const std::optional<LoggedInUser> &loggedInUser() const { return loggedInUser_; }
    void setLoggedInUser(std::optional<LoggedInUser> user) { loggedInUser_ = std::move(user); }
    // The server context's company (FIRMA), trimmed; a null QVariant when the
    // connection has none and so works on every company.
    QVariant contextCompany() const;

    // Whether the connected role owns the tables and may work on them: always
    // on SQLite; on PostgreSQL the owner, not a workstation's role, which may
    // only call the server-side functions.
    bool ownsTables() const { return ownsTables_; }

    // Calls back with the payload of each notification on the channel, from
    // the event loop, until the session closes; an empty function stops it.
    // False when the database cannot notify (SQLite) or refused to listen.
    bool listen(const QString &channel, const std::function<void(const QString &payload)> &onNotification);
    // Whether the listening connection is still there as far as the client
    // can tell without asking the server: a server that went away leaves
    // it broken once its notices stop.
    bool stillListening() const;

private:
    void prepareSchema(bool mayCreate);
    [[noreturn]] void refuseAsNotKarven(const QString &reason);
    QString sqliteFile() const;
    void rollback();
    [[noreturn]] void fail(const QString &what, const QSqlError &error);
    QVector<QVariantList> execOutOfBand(const QString &sql, const QVariantList &values);
    bool stillReachable();
    bool connectedRoleOwnsTables();

    EngineKind kind_;
    ConnectionTarget target_;
    QString file_; // the SQLite file named by its path; empty: the namespace's
    QString connectionName_;
    bool open_ = false;
    bool inTransaction_ = false;
    bool readOnly_ = false;
    bool ownsTables_ = true;
    QString lastError_;
    QHash<QString, QString> variables_;
    std::optional<LoggedInUser> loggedInUser_;
};
