#pragma once

#include "cacheapi/objects/cacheobjects.h"
#include "engine/serverclasses.h"

#include <QVariantMap>
#include <memory>

class Session;

// A server object of any class: a stored object opened by id, or a new one
// that serves for the class's methods.
class SqlServerObject : public ServerObject
{
public:
    SqlServerObject(std::shared_ptr<Session> session, const ClassDef &serverClass, QString id,
                    QVariantMap values);

    QVariant property(const QString &name) override;
    void setProperty(const QString &name, const QVariant &value) override;
    QVariant call(const QString &member, QVariantList &arguments) override;
    using ServerObject::call;

private:
    Session &connectedSession();
    const PropertyDef &propertyNamed(const QString &name) const;
    void save();
    QVariant displayForm(const QString &member, const QVariantList &arguments) const;
    [[noreturn]] void unknownMember(const QString &member) const;

    std::shared_ptr<Session> session_;
    const ClassDef &class_;
    QString id_; // empty for a new object
    QVariantMap values_;
};
