#pragma once

#include "cacheapi/objects/cacheobjects.h"

#include <memory>

// Opens a result set of a query that a server may not offer (the program's
// additions beyond the queries every server has). Null when the server knows
// no such class or query; any other failure is raised as usual.
std::unique_ptr<ResultSet> openOptionalResultSet(const QString &className, const QString &queryName);
