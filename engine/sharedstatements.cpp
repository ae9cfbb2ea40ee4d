#include "engine/sharedstatements.h"

#include "engine/engineerrors.h"
#include "engine/ledger/ledgerstatements.h"
#include "engine/login/loginstatements.h"
#include "engine/session.h"

#include <QRegularExpression>
#include <QVariantList>

namespace {

const QRegularExpression &parameter()
{
    static const QRegularExpression name(QStringLiteral(":([a-z_]+)"));
    return name;
}

QMap<QString, const QString *> statementsByName()
{
    QMap<QString, const QString *> statements = ledgerStatementsByName();
    statements.insert(loginStatementsByName());
    return statements;
}

} // namespace

QSqlQuery runSharedStatement(Session &session, const QString &statement, const QVariantMap &values)
{
    QVariantList bound;
    QString sql = statement;
    // Replaced from the end, so that earlier positions stay where they are.
    QVector<QRegularExpressionMatch> matches;
    for (auto it = parameter().globalMatch(statement); it.hasNext();)
        matches << it.next();
    for (auto match = matches.crbegin(); match != matches.crend(); ++match) {
        const QString name = match->captured(1);
        if (!values.contains(name))
            EngineError::raise(EngineError::DatabaseFailure,
                               QStringLiteral("Datenbankfehler: Wert %1 fehlt").arg(name));
        sql.replace(match->capturedStart(), match->capturedLength(), QStringLiteral("?"));
        bound.prepend(values.value(name));
    }
    return session.exec(sql, bound);
}

QString expandSharedStatements(QString script)
{
    const QMap<QString, const QString *> statements = statementsByName();
    for (auto it = statements.cbegin(); it != statements.cend(); ++it) {
        QString statement = *it.value();
        statement.replace(parameter(), QStringLiteral("v_\\1"));
        script.replace(QStringLiteral("{{%1}}").arg(it.key()), statement);
    }
    return script;
}
