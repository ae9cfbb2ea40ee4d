#include "cacheapi/errorreport.h"

#include "cacheapi/access.h"
#include "cacheapi/ports/ports.h"

QString fehlermeldungText(const CacheError &fehler, const QString &vorgang)
{
    const QString lineBreak = QStringLiteral("\r\n");
    return QStringLiteral("Vorgang: ") + vorgang + QLatin1Char('.') + lineBreak + lineBreak +
           QStringLiteral("Fehler: ") + QString::number(fehler.number()) + lineBreak +
           fehler.description() + lineBreak + lineBreak;
}

void CacheFehlermeldung(const CacheError &fehler, const QString &vorgang)
{
    ports().userInterface->message(fehlermeldungText(fehler, vorgang),
                                   UserInterfacePort::Icon::Exclamation,
                                   QStringLiteral("Caché Zugriffsfehler"));
    Protokollieren(QStringLiteral("cacheapi.CacheFehlermeldung"), vorgang,
                   QStringLiteral("Fehler #") + QString::number(fehler.number()) + QLatin1Char(' ') +
                       fehler.description());
    ZugriffEnde(true);
}

void Protokollieren(const QString &programmteil, const QString &text, const QString &parameter)
{
    // The history is a record of what went wrong; losing a line must not add to it.
    try {
        if (ports().history)
            ports().history->insertLine(programmteil, text, parameter);
    } catch (...) {
    }
}
