#include "cacheapi/dbcall.h"

#include "cacheapi/access.h"
#include "cacheapi/connectionrecord.h"
#include "cacheapi/errorreport.h"
#include "cacheapi/objects/cacheerror.h"

QString dbcall(const QString &befehl, bool &fehler)
{
    QString antwort;
    ZugriffBeginn(false);
    try {
        std::unique_ptr<ServerObject> windows =
            Verbindung.CacheFactory->newObject(QStringLiteral("KV.Windows"));
        QVariantList arguments{befehl};
        antwort = windows->call(QStringLiteral("Xecute"), arguments).toString();
        ObjektSchliessen(windows);
    } catch (const CacheError &error) {
        fehler = true;
        CacheFehlermeldung(error, QStringLiteral("cacheapi.dbcall Ungültige Anfrage! Kein Ergebnis "
                                                 "gefunden\r\n\r\nDBCall Aufruf von KV.Windwos Xecute ") +
                                      befehl);
        return antwort;
    }
    ZugriffEnde(false);
    return antwort;
}
