#include "commandsession.h"

#include "engineerrors.h"
#include "session.h"

#include <QSqlQuery>

QHash<QString, QString> &CommandSession::variables()
{
    return session_.variables();
}

QString CommandSession::joinSubscripts(const QStringList &subscripts)
{
    return subscripts.join(QChar(0x1F));
}

QString CommandSession::global(const QString &name, const QStringList &subscripts)
{
    QSqlQuery query = session_.exec(
        QStringLiteral("SELECT value FROM globale WHERE name = ? AND subscripts = ?"),
        {name, joinSubscripts(subscripts)});
    if (!query.next())
        EngineError::raise(EngineError::UndefinedVariable,
                           QStringLiteral("<UNDEFINED> ^%1(%2)")
                               .arg(name, subscripts.join(QLatin1Char(','))));
    return query.value(0).toString();
}

void CommandSession::runRoutine(const QString &name)
{
    // %XTT prepares the connection for a terminal program; the engine keeps no
    // terminal state, so there is nothing to do beyond knowing the routine.
    if (name == QLatin1String("%XTT"))
        return;
    EngineError::raise(EngineError::UnknownRoutine, QStringLiteral("<NOROUTINE> ^%1").arg(name));
}
