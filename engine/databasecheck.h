#pragma once

#include <QStringList>

class Session;

enum class CheckDepth {
    Quick, // SQLite's quick_check: every page and record, without index contents
    Full,  // integrity_check: also that every index matches its table
};

// What SQLite's own check finds wrong with the database, at most a screenful;
// empty when it is sound. A PostgreSQL server guards its own pages: nothing to check.
QStringList damageFound(Session &session, CheckDepth depth);
