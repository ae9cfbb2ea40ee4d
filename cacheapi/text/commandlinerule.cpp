#include "cacheapi/text/commandlinerule.h"

#include "cacheapi/text/words.h"

bool KommandozeileQualifiziert(const QString &kommandozeile)
{
    if (kommandozeile.isEmpty())
        return false;
    const QString word3 = GetWort(kommandozeile, QLatin1Char(' '), 3, QString());
    return IstNumerisch(GetWort(kommandozeile, QLatin1Char(' '), 1, QString())) &&
           IstNumerisch(GetWort(kommandozeile, QLatin1Char(' '), 2, QString())) &&
           word3.size() <= 3 && !IstNumerisch(word3);
}
