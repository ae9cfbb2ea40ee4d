#pragma once

#include <QString>
#include <QVariantMap>

class Session;

// Saves an entry of the server list that a workstation changed (values by
// column), logged with who changed it and what it was before. Only an entry
// a workstation can use, of type 0 and, once a user is logged in, of the
// user's company. Throws CacheError when the entry is refused or gone.
void saveServerEntry(Session &session, const QString &id, const QVariantMap &values);
