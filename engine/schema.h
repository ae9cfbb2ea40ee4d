#pragma once

#include <QString>

class Session;

// The version of the tables this engine works on. A database made by an
// earlier version is brought up to it, step by step, when it is opened.
constexpr int currentSchemaVersion = 11;

// The table that every KARVEN database has had since the first version: it
// tells one apart from any other database.
inline const QString karvenMarkerTable = QStringLiteral("globale");

// The PostgreSQL channel that tells of new unassigned bookings; the payload is their company.
inline const QString newBookingsChannel = QStringLiteral("karven_nopers");

// Creates the tables of the current version in an empty database.
void createSchema(Session &session);
// The tables as the given earlier version made them, in an empty database:
// what an upgrade starts from.
void createSchemaAtVersion(Session &session, int version);
// The version of an existing database's tables; 1 for one made before versions were kept.
int schemaVersion(Session &session);
// Brings the tables of an existing database to the current version in one
// transaction: all steps or none.
void upgradeSchema(Session &session);
