#pragma once

#include "serverclasses.h"

#include <QVariantMap>

class Session;

// Reading and writing the stored objects of a class by id.
namespace ObjectStore {

// The property values of the object, by column. Throws when there is none.
QVariantMap load(Session &session, const ClassDef &serverClass, const QString &id);
// Writes the property values back; throws when the object no longer exists.
void save(Session &session, const ClassDef &serverClass, const QString &id,
          const QVariantMap &values);

} // namespace ObjectStore
