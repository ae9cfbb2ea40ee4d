#include "engine/login/loginstatements.h"

#include "cacheapi/objects/passwordsecret.h"

namespace LoginStatement {

// Both comparisons are exact: a password differing in case, or an active flag
// other than "J", is rejected.
const QString checkLogin =
    QStringLiteral(
        "SELECT CASE WHEN e.passwort_verfahren <> %1 OR e.passwort <> :geheim OR e.aktiv <> 'J'"
        " THEN 'abgelehnt' WHEN a.abtnr IS NULL THEN 'abteilung' WHEN b.pnr IS NULL THEN 'basis'"
        " ELSE 'angemeldet' END,"
        " e.pname, e.pnr, e.abtnr, e.dw, e.bergrp, a.abtbez, a.habtnr, b.fax, b.email"
        " FROM parpersedv e"
        " LEFT JOIN parpersabt a ON a.firma = e.firma AND a.abtnr = e.abtnr"
        " LEFT JOIN persbasis b ON b.firma = e.firma AND b.pnr = e.pnr"
        " WHERE e.firma = :firma AND e.code = :code")
        .arg(PasswordSecret::scheme);

} // namespace LoginStatement

const QMap<QString, const QString *> &loginStatementsByName()
{
    static const QMap<QString, const QString *> statements{
        {QStringLiteral("checkLogin"), &LoginStatement::checkLogin},
    };
    return statements;
}
