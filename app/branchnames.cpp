#include "app/branchnames.h"

#include "mainlogic/optionalquery.h"
#include "cacheapi/cacheapi.h"

QHash<QString, QString> loadBranchNames(const QString &company)
{
    std::unique_ptr<ResultSet> rows = openOptionalResultSet(QStringLiteral("KV.KassaSW"), QStringLiteral("Filialen"));
    if (!rows)
        return {};
    rows->execute({company});
    QHash<QString, QString> names;
    while (rows->next())
        // Names come in the server's stored form ("L}beck" for "Lübeck").
        names.insert(branchKey(rows->data(1).toString()),
                     Umwandeln(rows->data(2).toString(), QStringLiteral("KARVEN"), false));
    ObjektSchliessen(rows);
    return names;
}

QString branchKey(const QString &branch)
{
    QString key = branch.trimmed();
    while (key.size() > 1 && key.startsWith(QLatin1Char('0')))
        key.remove(0, 1);
    return key;
}
