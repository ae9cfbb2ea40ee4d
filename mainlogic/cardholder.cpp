#include "mainlogic/cardholder.h"

#include "mainlogic/optionalquery.h"
#include "cacheapi/cacheapi.h"
#include "cacheapi/objects/clocktime.h"

std::optional<CardHolder> findCardHolder(const QString &card)
{
    std::unique_ptr<ResultSet> rows = openOptionalResultSet(QStringLiteral("Quastel.NoPers"), QStringLiteral("Karteninhaber"));
    if (!rows)
        return std::nullopt;
    rows->execute({Verbindung.Firma, card});
    CardHolder holder;
    if (rows->next()) {
        holder.number = rows->data(1).toString();
        holder.name = rows->data(2).toString();
        holder.assignedBy = rows->data(3).toString();
        holder.assignedAt = rows->data(4).toString();
    }
    ObjektSchliessen(rows);
    return holder;
}

QString cardChangeQuestion(const QString &card, const CardHolder &holder, const ChosenEmployee &employee)
{
    QString since;
    const ClockReading at = readClockTime(holder.assignedAt);
    if (!holder.assignedBy.isEmpty())
        since += QStringLiteral(" von ") + holder.assignedBy;
    if (at.isValid())
        since += QStringLiteral(" am ") + at.day.toString(QStringLiteral("dd.MM.yyyy")) + QStringLiteral(" um ") +
                 at.timeOfDay.toString(QStringLiteral("HH:mm"));
    if (!since.isEmpty())
        since = QStringLiteral(" (zugeordnet") + since + QLatin1Char(')');
    return QStringLiteral(
               "Die Karte %1 gehört bereits dem Mitarbeiter %2 %3%4.\r\n\r\n"
               "Soll die Karte auf den Mitarbeiter %5 übergehen? Die Zeiten, die aus nicht "
               "zugeordneten Buchungen dieser Karte bei %2 gebucht wurden, gehen mit über.\r\n\r\n"
               "Nein: es bleibt alles, wie es ist, und die Liste wird neu gelesen.")
        .arg(card.trimmed(), holder.number, holder.name, since, employee.shown);
}
