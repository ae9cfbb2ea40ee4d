#include "cacheapi/objects/serverentryrules.h"

#include "cacheapi/objects/companynumber.h"
#include "cacheapi/objects/connectiontarget.h"

QString serverEntryProblem(const ServerEntryFields &entry)
{
    const QString name = entry.name.trimmed();
    if (name.isEmpty() || name.size() > longestServerEntryName)
        return QStringLiteral("Der Name muss 1 bis %1 Zeichen lang sein").arg(longestServerEntryName);
    // The list shows an entry as "id;name".
    if (name.contains(QLatin1Char(';')))
        return QStringLiteral("Der Name „%1“ darf kein „;“ enthalten").arg(name);
    if (!isCompanyNumber(entry.company))
        return QStringLiteral("Firma „%1“ ist keine Firmennummer von 1 bis %2")
            .arg(entry.company.left(40))
            .arg(highestCompany);
    bool isNumber = false;
    const int branch = entry.branch.trimmed().toInt(&isNumber);
    if (!isNumber || branch < 0 || branch > 999)
        return QStringLiteral("Filiale „%1“ ist keine Filialnummer von 0 bis 999").arg(entry.branch.left(40));
    // The entry must name a server a workstation can connect to, by the program's own rules.
    if (!parseConnectionString(QStringLiteral("cn_iptcp:%1[%2]:%3")
                                   .arg(entry.server.trimmed(), entry.port.trimmed(), entry.nameSpace.trimmed())))
        return QStringLiteral("Server „%1“, Port „%2“ und Namespace „%3“ ergeben keine gültige Verbindung "
                              "(Server ohne Leerzeichen, Port 1 bis 65535, Namespace ein Buchstabe, dann "
                              "Buchstaben, Ziffern und _)")
            .arg(entry.server.left(60), entry.port.left(10), entry.nameSpace.left(60));
    return QString();
}
