#include "engine/serverentrystore.h"

#include "cacheapi/objects/companynumber.h"
#include "cacheapi/objects/serverentryrules.h"
#include "engine/actinguser.h"
#include "engine/boundvalue.h"
#include "engine/engineerrors.h"
#include "engine/objectstore.h"
#include "engine/session.h"

#include <QDateTime>
#include <QSqlQuery>

namespace {

const QStringList columns{QStringLiteral("name"), QStringLiteral("firma"), QStringLiteral("fil"),
                          QStringLiteral("ip"),   QStringLiteral("port"),  QStringLiteral("namespace"),
                          QStringLiteral("type")};

[[noreturn]] void refuse(const QString &reason)
{
    EngineError::raise(EngineError::ServerEntryRefused, reason);
}

[[noreturn]] void gone(const QString &id)
{
    EngineError::raise(EngineError::ObjectNotFound, ObjectStore::notFoundText(QStringLiteral("KV.KassaSW"), id));
}

// The entry as the log keeps it: its values joined by ";".
QString logged(const QVariantList &values)
{
    QStringList texts;
    for (const QVariant &value : values)
        texts << value.toString();
    return texts.join(QLatin1Char(';'));
}

// The server refuses and logs by itself (arbeitsplatz.kassasw_speichern).
void saveOnServer(Session &session, qint64 id, const QVariantMap &values)
{
    QVariantList arguments{id};
    for (const QString &column : columns)
        arguments << values.value(column);
    if (session.firstValue(QStringLiteral("SELECT arbeitsplatz.kassasw_speichern(?, ?, ?, ?, ?, ?, ?, ?)"),
                           arguments)
            .toInt() == 0)
        gone(QString::number(id));
}

void saveInFile(Session &session, qint64 id, const QVariantMap &values)
{
    const ActingUser actor = actingUser(session);
    const auto text = [&values](const QString &column) { return values.value(column).toString().trimmed(); };
    if (values.value(QStringLiteral("type")).toInt() != 0)
        refuse(QStringLiteral("Am Arbeitsplatz werden nur Servereinträge der Art 0 gespeichert"));
    const QString problem = serverEntryProblem({text(QStringLiteral("name")), text(QStringLiteral("firma")),
                                                text(QStringLiteral("fil")), text(QStringLiteral("ip")),
                                                text(QStringLiteral("port")), text(QStringLiteral("namespace"))});
    if (!problem.isEmpty())
        refuse(problem);
    QVariantList after;
    for (const QString &column : columns)
        after << (column == QLatin1String("firma") ? canonicalCompany(text(column)) : QVariant(text(column)));
    session.transaction([&] {
        QSqlQuery row = session.exec(QStringLiteral("SELECT %1 FROM kassasw WHERE id = ?")
                                         .arg(columns.join(QStringLiteral(", "))),
                                     {id});
        if (!row.next())
            gone(QString::number(id));
        QVariantList before;
        for (int i = 0; i < columns.size(); ++i)
            before << row.value(i);
        row.finish();
        const QVariant own = actor.company;
        if (!own.isNull() && (before.at(1).toString() != own.toString() || after.at(1) != own))
            refuse(QStringLiteral("Servereinträge anderer Firmen als %1 ändert nur der Administrator")
                       .arg(own.toString()));
        session.exec(QStringLiteral("UPDATE kassasw SET name = ?, firma = ?, fil = ?, ip = ?, port = ?,"
                                    " namespace = ?, type = ? WHERE id = ?"),
                     after + QVariantList{id});
        session.exec(QStringLiteral("INSERT INTO kassasw_protokoll (am, von, eintrag, vorher, nachher)"
                                    " VALUES (?, ?, ?, ?, ?)"),
                     {QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMddHHmmss")), boundValue(actor.author),
                      id, logged(before), logged(after)});
    });
}

} // namespace

void saveServerEntry(Session &session, const QString &id, const QVariantMap &values)
{
    bool isNumber = false;
    const qint64 number = id.trimmed().toLongLong(&isNumber);
    if (!isNumber)
        gone(id);
    if (session.kind() == EngineKind::Postgres)
        saveOnServer(session, number, values);
    else
        saveInFile(session, number, values);
}
