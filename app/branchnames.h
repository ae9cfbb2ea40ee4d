#pragma once

#include <QHash>
#include <QString>

// The names of the company's branches by branch number, from the server list's
// entries, inside an open access bracket. Empty when the server keeps no such list.
QHash<QString, QString> loadBranchNames(const QString &company);

// The key under which a branch number is found: "01" and "1" are the same branch.
QString branchKey(const QString &branch);
