#include "userlookup.h"

#include "access.h"
#include "cacheerror.h"
#include "connectionrecord.h"
#include "passwordsecret.h"
#include "textconversion.h"

QString BenutzerAusPasswort(const QString &passwort)
{
    ZugriffBeginn(false);
    QString code;
    std::unique_ptr<ResultSet> rows;
    // The caller cannot tell "no such user" from a failed lookup, and needs not:
    // either way the login that follows fails with its own report.
    try {
        rows = Verbindung.CacheFactory->openResultSet(QStringLiteral("KV.ParPersEdv"),
                                                      QStringLiteral("UserViaPasswort"));
        rows->execute({PasswordSecret::derive(passwort), Verbindung.Firma, QString()});
        rows->next();
        code = Umwandeln(rows->data(1).toString(), QStringLiteral("KARVEN"), false);
    } catch (const CacheError &) {
    }
    ObjektSchliessen(rows);
    ZugriffEnde(false);
    return code;
}
