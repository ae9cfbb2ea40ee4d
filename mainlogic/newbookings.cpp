#include "mainlogic/newbookings.h"

#include "mainlogic/optionalquery.h"
#include "cacheapi/cacheapi.h"

std::optional<int> countNewBookings(const QString &afterId)
{
    std::unique_ptr<ResultSet> rows = openOptionalResultSet(QStringLiteral("Quastel.NoPers"), QStringLiteral("AnzahlNeu"));
    if (!rows)
        return std::nullopt;
    rows->execute({afterId});
    const int count = rows->next() ? rows->data(1).toInt() : 0;
    ObjektSchliessen(rows);
    return count;
}

QString openBookingsCount(int count)
{
    return count == 1 ? QStringLiteral("1 offene Buchung")
                      : QStringLiteral("%1 offene Buchungen").arg(count);
}

QString newBookingsCount(int count)
{
    return count == 1 ? QStringLiteral("1 neue Buchung")
                      : QStringLiteral("%1 neue Buchungen").arg(count);
}
