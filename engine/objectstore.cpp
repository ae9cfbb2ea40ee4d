#include "engine/objectstore.h"

#include "engine/boundvalue.h"
#include "engine/engineerrors.h"
#include "engine/session.h"

#include <QSqlQuery>
#include <QSqlRecord>

namespace {

[[noreturn]] void notFound(const ClassDef &serverClass, const QString &id)
{
    EngineError::raise(EngineError::ObjectNotFound, ObjectStore::notFoundText(serverClass.name, id));
}

// The key values an id stands for, or empty when the id cannot name an object.
QVariantList keyValues(const ClassDef &serverClass, const QString &id)
{
    if (serverClass.integerId) {
        bool ok = false;
        const qint64 number = id.trimmed().toLongLong(&ok);
        return ok ? QVariantList{number} : QVariantList{};
    }
    // A composite id is the first key, "||", then the second (which may itself hold "||").
    const qsizetype separator = id.indexOf(QStringLiteral("||"));
    if (separator < 0)
        return {};
    return {id.left(separator), id.mid(separator + 2)};
}

QString keyCondition(const ClassDef &serverClass)
{
    QStringList conditions;
    for (const QString &column : serverClass.keyColumns)
        conditions << column + QStringLiteral(" = ?");
    return conditions.join(QStringLiteral(" AND "));
}

QVariantList keysOrNotFound(const ClassDef &serverClass, const QString &id)
{
    const QVariantList keys = keyValues(serverClass, id);
    if (keys.isEmpty())
        notFound(serverClass, id);
    return keys;
}

} // namespace

QString ObjectStore::notFoundText(const QString &className, const QString &id)
{
    return QStringLiteral("Objekt %1 mit der Id \"%2\" existiert nicht").arg(className, id.left(200));
}

QVariantMap ObjectStore::load(Session &session, const ClassDef &serverClass, const QString &id)
{
    QStringList columns;
    for (const PropertyDef &property : serverClass.properties)
        columns << property.column;
    const QVariantList keys = keysOrNotFound(serverClass, id);
    // On PostgreSQL a function of the table's name reads the object by its keys.
    const QString source =
        session.kind() == EngineKind::Postgres
            ? QStringLiteral("arbeitsplatz.%1(%2)")
                  .arg(serverClass.table, placeholders(keys.size()))
            : QStringLiteral("%1 WHERE %2").arg(serverClass.table, keyCondition(serverClass));
    QSqlQuery query = session.exec(
        QStringLiteral("SELECT %1 FROM %2").arg(columns.join(QStringLiteral(", ")), source), keys);
    if (!query.next())
        notFound(serverClass, id);
    QVariantMap values;
    for (int i = 0; i < columns.size(); ++i)
        values.insert(columns.at(i), query.value(i));
    return values;
}
