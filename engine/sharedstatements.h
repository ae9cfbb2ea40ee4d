#pragma once

#include <QSqlQuery>
#include <QString>
#include <QVariantMap>

class Session;

// Statements written once for both engines: SQLite runs them from the engine;
// PostgreSQL's server functions are made from the same texts, where the
// server script names them as {{name}}. Parameters are named (:firma); on the
// server they become the function's variables with "v_" in front (v_firma).
// A parameter is lower-case letters and "_"; so a statement casts with CAST,
// never with "::".

// Runs a shared statement with its named values on the engine's session.
QSqlQuery runSharedStatement(Session &session, const QString &statement, const QVariantMap &values);

// Replaces each {{name}} in a server script by the statement of that name.
QString expandSharedStatements(QString script);
