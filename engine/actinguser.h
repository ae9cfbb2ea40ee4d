#pragma once

#include <QString>
#include <QVariant>

class Session;

// Who changes data on an SQLite session, as the PostgreSQL server decides it
// for its own connections: the user logged in on the session; without a
// login, what the server context names (the owner's tools and tests).
struct ActingUser
{
    QVariant company; // null: every company
    QString author;   // as the log keeps it
    QString code;     // the login record's key
    QString context;  // "FIRMA=… FIL=…", where a swipe was taken off the list
};

ActingUser actingUser(const Session &session);
