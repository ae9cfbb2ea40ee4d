#include "cardassignment.h"

#include "boundvalue.h"
#include "engineerrors.h"
#include "session.h"

#include <QDateTime>

namespace {
constexpr int cardWidth = 10;
}

QString cardField(const QString &card)
{
    // A full field is taken as it stands: blanks inside a card number are part of it.
    const QString trimmed = card.trimmed();
    if (trimmed.isEmpty() || trimmed.size() > cardWidth)
        return QString();
    return card.size() == cardWidth ? card : trimmed.rightJustified(cardWidth, QLatin1Char(' '));
}

QString assignCard(Session &session, const QString &company, const QString &employeeNumber,
                   const QString &card)
{
    const QString firma = company.trimmed();
    const QString pnr = employeeNumber.trimmed();
    const QString karte = cardField(card);
    if (karte.isEmpty())
        EngineError::raise(EngineError::AssignmentRefused,
                           QStringLiteral("Ungültige Kartennummer \"%1\"").arg(card.left(40)));
    const QString who = session.variables().value(QStringLiteral("PERSONAL"));
    const QString when = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMddHHmmss"));
    // One transaction: two workstations assigning at once book every swipe once.
    session.transaction([&] {
        if (!session.firstValue(QStringLiteral("SELECT 1 FROM persbasis WHERE firma = ? AND pnr = ?"), {firma, pnr})
                 .isValid())
            EngineError::raise(EngineError::AssignmentRefused,
                               QStringLiteral("Mitarbeiter %1 der Firma %2 existiert nicht")
                                   .arg(pnr.left(40), firma.left(40)));
        session.exec(QStringLiteral("INSERT INTO karte (firma, karte, pnr, zugeordnet_von, zugeordnet_am)"
                                    " VALUES (?, ?, ?, ?, ?) ON CONFLICT (firma, karte) DO UPDATE"
                                    " SET pnr = excluded.pnr, zugeordnet_von = excluded.zugeordnet_von,"
                                    " zugeordnet_am = excluded.zugeordnet_am"),
                     {firma, karte, pnr, boundValue(who), when});
        // "WHERE true" keeps SQLite from reading ON CONFLICT as part of the SELECT.
        session.exec(QStringLiteral("INSERT INTO zeitbuchung (firma, pnr, karte, zeitpunkt, buchungstext, nopers_id)"
                                    " SELECT firma, ?, karte, substr(buchungstext, 31, 12), buchungstext, id"
                                    " FROM nopers WHERE firma = ? AND karte = ? AND true"
                                    " ON CONFLICT (nopers_id) DO NOTHING"),
                     {pnr, firma, karte});
    });
    return firma;
}
