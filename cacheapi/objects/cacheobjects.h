#pragma once

// The database object interface: a factory that connects to a server, opens
// persistent server objects by id, creates new ones and opens result sets of
// server queries. Every failing call throws CacheError. Values are texts or
// integers, carried as QVariant. Class, member and query names match without
// regard to case.

#include <QString>
#include <QVariant>
#include <QVariantList>
#include <functional>
#include <memory>

class ServerObject
{
public:
    virtual ~ServerObject() = default;

    virtual QVariant property(const QString &name) = 0;
    virtual void setProperty(const QString &name, const QVariant &value) = 0;

    // Calls a member by name. Arguments are passed by reference: a method may
    // write any of them back (e.g. "setkarte" normalising the company).
    virtual QVariant call(const QString &member, QVariantList &arguments) = 0;

    QVariant call(const QString &member)
    {
        QVariantList none;
        return call(member, none);
    }
};

class ResultSet
{
public:
    virtual ~ResultSet() = default;

    // Runs the query with 0 to 3 parameters; rows are then read with next().
    virtual void execute(const QVariantList &parameters = {}) = 0;
    // Moves to the next row; false when there is none.
    virtual bool next() = 0;
    // Value of a column of the current row, counted from 1.
    virtual QVariant data(int column) = 0;
    virtual void close() = 0;
};

// A login as the server checks it: the user's code in stored form, and the
// value derived from the typed password (PasswordSecret), never the password.
struct LoginRequest
{
    QString company;
    QString branch;
    QString code;
    QString secret;
};

// What the server answers a login. The user's records come in stored form;
// the server has already decided, so the program only shows the outcome.
struct LoginAnswer
{
    enum class Status {
        LoggedIn,
        Rejected,       // wrong password or inactive user
        NoDepartment,   // the user's department record is missing
        NoBaseRecord,   // the user's employee record is missing
    };
    Status status = Status::Rejected;
    QString pname, pnr, abtnr, dw, bergrp; // login record
    QString abtbez, habtnr;                // department
    QString fax, email;                    // employee record
    // For a missing record: the error the server reports for it.
    qint32 errorNumber = 0;
    QString errorText;
};

// What the server tells of new bookings of the company: its count of new
// bookings so far (the third column of the "Liste" read is the same count as
// of the read) and the newest one's id. Only a hint: any connection can send
// one; what a read shows is what counts.
struct NewBookingsNotice
{
    qint64 counter = 0;
    qint64 newestId = 0;
};

class Factory
{
public:
    virtual ~Factory() = default;

    // Connects with "cn_iptcp:host[port]:NAMESPACE"; false when that fails.
    // A malformed string answers false as well.
    virtual bool connect(const QString &connectionString) = 0;
    virtual bool isConnected() = 0;
    virtual void disconnect() = 0;
    // Why the last connect answered false, in the server's words; empty when
    // the server does not say.
    virtual QString lastConnectError() const { return {}; }

    // Logs the user in on the server: from then on this connection, and each
    // later one of the factory, changes data as that user. Unknown users and
    // logins refused for too many failures throw CacheError; what the login
    // procedure answers in its own way comes back as a status.
    virtual LoginAnswer logIn(const LoginRequest &request) = 0;

    virtual std::unique_ptr<ServerObject> openId(const QString &className, const QString &id) = 0;
    virtual std::unique_ptr<ServerObject> newObject(const QString &className) = 0;
    virtual std::unique_ptr<ResultSet> openResultSet(const QString &className,
                                                     const QString &queryName) = 0;

    // Calls back when unassigned bookings arrive that the connection's
    // "Quastel.NoPers" list would show, on this and every later connection of
    // the factory; an empty function stops it. It is called from the event
    // loop, also while a caller waits inside an access, so it may only take
    // note and must not call the factory. A server that cannot tell never
    // calls: the caller keeps polling.
    virtual void setNewBookingsListener(std::function<void(const NewBookingsNotice &)> /*listener*/) {}
    // Whether the server tells the present connection of new bookings.
    virtual bool tellsOfNewBookings() { return false; }
};
