#pragma once

class Session;

// Creates the server's tables in an empty database; leaves existing ones alone.
void ensureSchema(Session &session);
// Brings the tables of a database made by an earlier version up to date.
void upgradeSchema(Session &session);
