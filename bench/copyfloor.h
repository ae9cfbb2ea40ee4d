#pragma once

#include "cacheapi/objects/connectiontarget.h"

#include <QList>
#include <QStringList>
#include <QVariantList>

// The physical floor of writing rows to PostgreSQL: COPY FROM STDIN through
// libpq (Qt's driver has no COPY), in one transaction. Fails the benchmark
// when the server refuses.
void copyRows(const ConnectionTarget &target, const QString &table, const QStringList &columns,
              const QList<QVariantList> &rows);
