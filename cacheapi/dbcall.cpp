#include "dbcall.h"

#include "access.h"
#include "cacheerror.h"
#include "connectionrecord.h"
#include "errorreport.h"

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
