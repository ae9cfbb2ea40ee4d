#include "cacheapi/userlookup.h"

#include "cacheapi/access.h"
#include "cacheapi/connectionrecord.h"
#include "cacheapi/objects/cacheerror.h"
#include "cacheapi/objects/passwordsecret.h"
#include "cacheapi/text/textconversion.h"

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
