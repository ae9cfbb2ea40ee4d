#pragma once

#include "engine/serverclasses.h"

#include <QVariantMap>

class Session;

// Reading the stored objects of a class by id.
namespace ObjectStore {

// What the server says when there is no object of the class with the id.
QString notFoundText(const QString &className, const QString &id);
// The property values of the object, by column. Throws when there is none.
QVariantMap load(Session &session, const ClassDef &serverClass, const QString &id);

} // namespace ObjectStore
