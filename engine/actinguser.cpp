#include "engine/actinguser.h"

#include "engine/session.h"
#include "engine/storedform.h"

ActingUser actingUser(const Session &session)
{
    if (const auto &user = session.loggedInUser())
        return {user->company, user->code, user->code,
                QStringLiteral("FIRMA=%1 FIL=%2").arg(user->company, user->branch)};
    const QHash<QString, QString> &context = session.variables();
    const QString author = context.value(QStringLiteral("PERSONAL"));
    return {session.contextCompany(), author, displayToStored(author.trimmed().toUpper()),
            QStringLiteral("FIRMA=%1 FIL=%2")
                .arg(context.value(QStringLiteral("FIRMA")), context.value(QStringLiteral("FIL")))};
}
