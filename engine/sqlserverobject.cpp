#include "engine/sqlserverobject.h"

#include "engine/boundvalue.h"
#include "engine/cardassignment.h"
#include "engine/commandsession.h"
#include "engine/engineerrors.h"
#include "engine/serverentrystore.h"
#include "engine/session.h"
#include "engine/storedform.h"

namespace {

const QString conversionSuffix = QStringLiteral("LogicalToODBC");

void requireArguments(const QString &member, const QVariantList &arguments, int count)
{
    if (arguments.size() != count)
        EngineError::raise(EngineError::WrongArguments,
                           QStringLiteral("%1 erwartet %2 Argument(e), erhalten: %3")
                               .arg(member)
                               .arg(count)
                               .arg(arguments.size()));
}

} // namespace

SqlServerObject::SqlServerObject(std::shared_ptr<Session> session, const ClassDef &serverClass,
                                 QString id, QVariantMap values)
    : session_(std::move(session)), class_(serverClass), id_(std::move(id)),
      values_(std::move(values))
{
}

Session &SqlServerObject::connectedSession()
{
    if (!session_->isOpen())
        EngineError::notConnected();
    return *session_;
}

const PropertyDef &SqlServerObject::propertyNamed(const QString &name) const
{
    const PropertyDef *property = class_.findProperty(name);
    if (!property)
        unknownMember(name);
    return *property;
}

void SqlServerObject::unknownMember(const QString &member) const
{
    EngineError::raise(EngineError::UnknownMember,
                       QStringLiteral("Klasse %1 hat kein Element \"%2\"")
                           .arg(class_.name, member.left(100)));
}

QVariant SqlServerObject::property(const QString &name)
{
    connectedSession();
    if (sameName(name, QStringLiteral("sys_ID")))
        return class_.integerId && !id_.isEmpty() ? QVariant(id_.toLongLong()) : QVariant(id_);
    const PropertyDef &property = propertyNamed(name);
    const QVariant value = values_.value(property.column);
    if (property.isInteger)
        return value.isValid() ? value.toLongLong() : 0;
    return value.isValid() ? value.toString() : QString();
}

void SqlServerObject::setProperty(const QString &name, const QVariant &value)
{
    connectedSession();
    const PropertyDef &property = propertyNamed(name);
    if (!property.isInteger) {
        values_.insert(property.column, boundValue(value.toString()));
        return;
    }
    bool ok = false;
    const qint64 number = value.toString().trimmed().toLongLong(&ok);
    if (!ok)
        EngineError::raise(EngineError::InvalidValue,
                           QStringLiteral("%1.%2 erwartet eine ganze Zahl, erhalten: \"%3\"")
                               .arg(class_.name, property.name, value.toString().left(40)));
    values_.insert(property.column, number);
}

QVariant SqlServerObject::call(const QString &member, QVariantList &arguments)
{
    Session &session = connectedSession();
    if (sameName(member, QStringLiteral("sys_close"))) {
        requireArguments(member, arguments, 0);
        return QVariant();
    }
    if (member.endsWith(conversionSuffix, Qt::CaseInsensitive))
        return displayForm(member, arguments);
    if (class_.savable && sameName(member, QStringLiteral("sys_save"))) {
        requireArguments(member, arguments, 0);
        save();
        return 1;
    }
    // Only swipes are deleted, and only taken off the list, noted who did it.
    if (sameName(class_.name, QStringLiteral("Quastel.NoPers")) &&
        sameName(member, QStringLiteral("sys_deleteid"))) {
        requireArguments(member, arguments, 1);
        bool isNumber = false;
        const qint64 id = arguments.at(0).toString().trimmed().toLongLong(&isNumber);
        if (isNumber)
            takeSwipeOffList(session, id);
        return 1;
    }
    if (sameName(class_.name, QStringLiteral("KV.Windows")) &&
        sameName(member, QStringLiteral("Xecute"))) {
        requireArguments(member, arguments, 1);
        CommandSession commands(session);
        return runServerCommand(arguments.at(0).toString(), commands);
    }
    if (sameName(class_.name, QStringLiteral("Quastel.NoPers")) &&
        sameName(member, QStringLiteral("setkarte"))) {
        // A fourth argument names the holder the caller saw; callers that do not know it give three.
        if (arguments.size() != 4)
            requireArguments(member, arguments, 3);
        const std::optional<QString> expectedHolder =
            arguments.size() == 4 ? std::optional<QString>(arguments.at(3).toString().trimmed()) : std::nullopt;
        arguments[0] = assignCard(session, arguments.at(0).toString(), arguments.at(1).toString(),
                                  arguments.at(2).toString(), expectedHolder);
        return 1;
    }
    if (sameName(class_.name, QStringLiteral("Quastel.Kartenzuordnung")) &&
        sameName(member, QStringLiteral("korrigieren"))) {
        // Arguments: the log entry's id and the employee the card really belongs to.
        requireArguments(member, arguments, 2);
        bool isNumber = false;
        const qint64 id = arguments.at(0).toString().trimmed().toLongLong(&isNumber);
        if (!isNumber)
            EngineError::raise(EngineError::InvalidValue,
                               QStringLiteral("korrigieren erwartet die Nummer einer Zuordnung, erhalten: \"%1\"")
                                   .arg(arguments.at(0).toString().left(40)));
        correctAssignment(session, id, arguments.at(1).toString());
        return 1;
    }
    unknownMember(member);
}

QVariant SqlServerObject::displayForm(const QString &member, const QVariantList &arguments) const
{
    // "<Property>LogicalToODBC"(stored value) gives the value as people read it.
    propertyNamed(member.left(member.size() - conversionSuffix.size()));
    requireArguments(member, arguments, 1);
    return storedToDisplay(arguments.at(0).toString());
}

void SqlServerObject::save()
{
    if (id_.isEmpty())
        EngineError::raise(EngineError::ObjectNotFound,
                           QStringLiteral("Ein neues Objekt der Klasse %1 kann nicht gespeichert "
                                          "werden: es hat keine Id")
                               .arg(class_.name));
    saveServerEntry(*session_, id_, values_);
}
