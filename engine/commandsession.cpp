#include "engine/commandsession.h"

#include "engine/engineerrors.h"
#include "engine/session.h"


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
    const QVariant value = session_.firstValue(
        session_.kind() == EngineKind::Postgres
            ? QStringLiteral("SELECT arbeitsplatz.globalwert(?, ?)")
            : QStringLiteral("SELECT value FROM globale WHERE name = ? AND subscripts = ?"),
        {name, joinSubscripts(subscripts)});
    if (!value.isValid() || value.isNull())
        EngineError::raise(EngineError::UndefinedVariable,
                           QStringLiteral("<UNDEFINED> ^%1(%2)")
                               .arg(name, subscripts.join(QLatin1Char(','))));
    return value.toString();
}

void CommandSession::runRoutine(const QString &name)
{
    // %XTT prepares the connection for a terminal program; the engine keeps no
    // terminal state, so there is nothing to do beyond knowing the routine.
    if (name == QLatin1String("%XTT"))
        return;
    EngineError::raise(EngineError::UnknownRoutine, QStringLiteral("<NOROUTINE> ^%1").arg(name));
}
