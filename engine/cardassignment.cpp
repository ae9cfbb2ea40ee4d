#include "cardassignment.h"

#include "boundvalue.h"
#include "engineerrors.h"
#include "session.h"
#include "storedform.h"

#include <QDateTime>
#include <QSqlQuery>

namespace {

constexpr int cardWidth = 10;

[[noreturn]] void refuse(const QString &reason)
{
    EngineError::raise(EngineError::AssignmentRefused, reason);
}

qint64 insertReturningId(Session &session, const QString &sql, const QVariantList &values)
{
    QSqlQuery query = session.exec(sql + QStringLiteral(" RETURNING id"), values);
    if (!query.next())
        EngineError::raise(EngineError::DatabaseFailure,
                           QStringLiteral("Datenbankfehler: keine Id für %1")
                               .arg(sql.section(QLatin1Char(' '), 2, 2)));
    return query.value(0).toLongLong();
}

// One assignment of a card in one company, inside the caller's transaction.
class Assignment
{
public:
    Assignment(Session &session, QString company, QString employee, QString card)
        : session_(session), firma_(std::move(company)), pnr_(std::move(employee)),
          karte_(std::move(card)),
          who_(boundValue(session.variables().value(QStringLiteral("PERSONAL")))),
          when_(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMddHHmmss")))
    {}

    void requireEmployee()
    {
        if (!session_
                 .firstValue(QStringLiteral("SELECT 1 FROM persbasis WHERE firma = ? AND pnr = ?"),
                             {firma_, pnr_})
                 .isValid())
            refuse(QStringLiteral("Mitarbeiter %1 der Firma %2 existiert nicht")
                       .arg(pnr_.left(40), firma_.left(40)));
    }

    // Takes the card for the employee when nobody holds it; else answers who does.
    // A second workstation taking the same card at the same moment waits here
    // for the first one's transaction and then finds its holder.
    QString takeCardOrFindHolder()
    {
        const QSqlQuery taken = session_.exec(
            QStringLiteral("INSERT INTO karte (firma, karte, pnr, zugeordnet_von, zugeordnet_am)"
                           " VALUES (?, ?, ?, ?, ?) ON CONFLICT (firma, karte) DO NOTHING"),
            {firma_, karte_, pnr_, who_, when_});
        if (taken.numRowsAffected() == 1)
            return QString();
        return session_
            .firstValue(QStringLiteral("SELECT pnr FROM karte WHERE firma = ? AND karte = ?"),
                        {firma_, karte_})
            .toString();
    }

    void setPreviousHolder(const QString &holder) { previous_ = holder; }

    void moveCard()
    {
        session_.exec(
            QStringLiteral("UPDATE karte SET pnr = ?, zugeordnet_von = ?, zugeordnet_am = ?"
                           " WHERE firma = ? AND karte = ?"),
            {pnr_, who_, when_, firma_, karte_});
    }

    // Z: the card was nobody's (or already the employee's); W: it changed hands.
    QString assignmentKind() const
    {
        return previous_.isEmpty() || previous_ == pnr_ ? QStringLiteral("Z") : QStringLiteral("W");
    }

    qint64 log(const QString &kind)
    {
        return insertReturningId(session_,
                                 QStringLiteral("INSERT INTO kartenzuordnung (firma, karte, pnr_vorher, pnr, art, von, am)"
                                                " VALUES (?, ?, ?, ?, ?, ?, ?)"),
                                 {firma_, karte_, boundValue(previous_), pnr_, kind, who_, when_});
    }

    // The previous holder's time bookings that came from this card's unassigned bookings.
    void moveTimeBookings(qint64 logId)
    {
        const QString fromPrevious =
            QStringLiteral(" FROM zeitbuchung WHERE firma = ? AND karte = ? AND pnr = ?"
                           " AND nopers_id IS NOT NULL");
        session_.exec(QStringLiteral(
                          "INSERT INTO kartenzuordnung_buchung (zuordnung_id, nopers_id, umgebucht)"
                          " SELECT ?, nopers_id, 1") +
                          fromPrevious,
                      {logId, firma_, karte_, previous_});
        session_.exec(QStringLiteral(
                          "UPDATE zeitbuchung SET pnr = ? WHERE firma = ? AND karte = ? AND pnr = ?"
                          " AND nopers_id IS NOT NULL"),
                      {pnr_, firma_, karte_, previous_});
    }

    // Whether the server context's user may correct assignments of the company:
    // the login record's group (BERGRP) is A.
    bool userMayCorrect()
    {
        const QVariant group = session_.firstValue(
            QStringLiteral("SELECT bergrp FROM parpersedv WHERE firma = ? AND code = ?"),
            {firma_, displayToStored(who_.toString().trimmed().toUpper())});
        return group.toString().trimmed() == QLatin1String("A");
    }

    // The time bookings of the card that the wrong assignment gave the previous
    // holder: those from the unassigned bookings it booked or moved, and the
    // card's own swipes since it was assigned. Each moved one is logged.
    void moveTimeBookingsOf(qint64 wrongId, const QString &assignedAt, qint64 logId)
    {
        const QString wrongBookings =
            QStringLiteral(" FROM zeitbuchung WHERE firma = ? AND karte = ? AND pnr = ? AND ("
                           "nopers_id IN (SELECT nopers_id FROM kartenzuordnung_buchung WHERE zuordnung_id = ?)"
                           " OR (nopers_id IS NULL AND zeitpunkt >= ?))");
        const QVariantList values{firma_, karte_, previous_, wrongId, assignedAt.left(12)};
        session_.exec(QStringLiteral("INSERT INTO kartenzuordnung_zeitbuchung (zuordnung_id, zeitbuchung_id)"
                                     " SELECT ?, id") + wrongBookings,
                      QVariantList{logId} + values);
        session_.exec(QStringLiteral("UPDATE zeitbuchung SET pnr = ? WHERE id IN (SELECT id") + wrongBookings +
                          QLatin1Char(')'),
                      QVariantList{pnr_} + values);
    }

    // Books the card's open unassigned bookings and takes them off the list.
    void bookOpenBookings(qint64 logId)
    {
        const QString open =
            QStringLiteral(" FROM nopers WHERE firma = ? AND karte = ? AND erledigt_am IS NULL");
        // "AND true" keeps SQLite from reading ON CONFLICT as part of the SELECT.
        session_.exec(
            QStringLiteral(
                "INSERT INTO zeitbuchung (firma, pnr, karte, zeitpunkt, buchungstext, nopers_id)"
                " SELECT firma, ?, karte, substr(buchungstext, 31, 12), buchungstext, id") +
                open + QStringLiteral(" AND true ON CONFLICT (nopers_id) DO NOTHING"),
            {pnr_, firma_, karte_});
        session_.exec(QStringLiteral(
                          "INSERT INTO kartenzuordnung_buchung (zuordnung_id, nopers_id, umgebucht)"
                          " SELECT ?, id, 0") +
                          open,
                      {logId, firma_, karte_});
        session_.exec(QStringLiteral("UPDATE nopers SET erledigt_am = ? WHERE firma = ? AND karte "
                                     "= ? AND erledigt_am IS NULL"),
                      {when_, firma_, karte_});
    }

private:
    Session &session_;
    const QString firma_;
    const QString pnr_;
    const QString karte_;
    const QVariant who_;
    const QString when_;
    QString previous_;
};

} // namespace

QString cardField(const QString &card)
{
    // A full field is taken as it stands: blanks inside a card number are part of it.
    const QString trimmed = card.trimmed();
    if (trimmed.isEmpty() || trimmed.size() > cardWidth)
        return QString();
    return card.size() == cardWidth ? card : trimmed.rightJustified(cardWidth, QLatin1Char(' '));
}

bool hasControlCharacters(const QString &text)
{
    for (const QChar c : text)
        if (c.category() == QChar::Other_Control)
            return true;
    return false;
}

QString assignCard(Session &session, const QString &company, const QString &employeeNumber,
                   const QString &card, const std::optional<QString> &expectedHolder)
{
    const QVariant who = boundValue(session.variables().value(QStringLiteral("PERSONAL")));
    if (session.kind() == EngineKind::Postgres)
        return session
            .firstValue(QStringLiteral("SELECT arbeitsplatz.setkarte(?, ?, ?, ?, ?, ?)"),
                        {boundValue(company), boundValue(employeeNumber), boundValue(card),
                         expectedHolder ? boundValue(*expectedHolder) : QVariant(),
                         session.contextCompany(), who})
            .toString();
    const QString firma = company.trimmed();
    const QString karte = cardField(card);
    if (hasControlCharacters(card))
        refuse(QStringLiteral(
            "Die Kartennummer enthält Steuerzeichen (Zeilenumbruch, Tabulator o. ä.)"));
    if (karte.isEmpty())
        refuse(QStringLiteral("Ungültige Kartennummer \"%1\"").arg(card.left(40)));
    const QVariant workstationCompany = session.contextCompany();
    if (!workstationCompany.isNull() && workstationCompany.toString() != firma)
        refuse(QStringLiteral("Firma %1 ist nicht die Firma dieses Arbeitsplatzes (%2)")
                   .arg(firma.left(40), workstationCompany.toString().left(40)));
    Assignment assignment(session, firma, employeeNumber.trimmed(), karte);
    // One transaction: the holder check, the move and the bookings stand or fall together.
    session.transaction([&] {
        assignment.requireEmployee();
        const QString holder = assignment.takeCardOrFindHolder();
        const QString employee = employeeNumber.trimmed();
        const bool moves = !holder.isEmpty() && holder != employee;
        if (!holder.isEmpty() && expectedHolder && holder != *expectedHolder && holder != employee)
            EngineError::raise(EngineError::CardHolderChanged,
                               QStringLiteral("Karte %1 gehört inzwischen Mitarbeiter %2")
                                   .arg(karte.trimmed(), holder));
        assignment.setPreviousHolder(holder);
        if (moves)
            assignment.moveCard();
        const qint64 logId = assignment.log(assignment.assignmentKind());
        if (moves && expectedHolder)
            assignment.moveTimeBookings(logId);
        assignment.bookOpenBookings(logId);
    });
    return firma;
}

void correctAssignment(Session &session, qint64 assignmentId, const QString &employeeNumber)
{
    const QString employee = employeeNumber.trimmed();
    const QVariant workstationCompany = session.contextCompany();
    if (session.kind() == EngineKind::Postgres) {
        session.exec(QStringLiteral("SELECT arbeitsplatz.korrigieren(?, ?, ?, ?)"),
                     {assignmentId, boundValue(employeeNumber), workstationCompany,
                      boundValue(session.variables().value(QStringLiteral("PERSONAL")))});
        return;
    }
    session.transaction([&] {
        QSqlQuery wrong = session.exec(
            QStringLiteral(
                "SELECT z.firma, z.karte, z.pnr, z.am, k.pnr, (SELECT max(id) FROM kartenzuordnung"
                " WHERE firma = z.firma AND karte = z.karte) FROM kartenzuordnung z JOIN karte k"
                " ON k.firma = z.firma AND k.karte = z.karte WHERE z.id = ?"),
            {assignmentId});
        // Another company's entries are not there for a workstation of a company.
        if (!wrong.next() || (!workstationCompany.isNull() &&
                              wrong.value(0).toString() != workstationCompany.toString()))
            refuse(QStringLiteral("Zuordnung %1 existiert nicht").arg(assignmentId));
        const QString firma = wrong.value(0).toString();
        const QString karte = wrong.value(1).toString();
        const QString wrongEmployee = wrong.value(2).toString();
        const QString assignedAt = wrong.value(3).toString();
        const QString holder = wrong.value(4).toString();
        const qint64 latest = wrong.value(5).toLongLong();
        wrong.finish();

        Assignment correction(session, firma, employee, karte);
        if (!correction.userMayCorrect())
            EngineError::raise(EngineError::CorrectionNotAllowed,
                               QStringLiteral("Zuordnungen korrigieren dürfen nur Benutzer der Gruppe A"));
        // What the user saw must still be so: the entry is the card's last, its employee holds the card.
        if (latest != assignmentId || holder != wrongEmployee)
            refuse(QStringLiteral("Die Karte %1 wurde seither neu zugeordnet; bitte die Liste neu lesen")
                       .arg(karte.trimmed()));
        if (employee == wrongEmployee)
            refuse(QStringLiteral("Die Karte %1 gehört bereits Mitarbeiter %2").arg(karte.trimmed(), employee));
        correction.requireEmployee();
        correction.setPreviousHolder(wrongEmployee);
        correction.moveCard();
        const qint64 logId = correction.log(QStringLiteral("K"));
        correction.moveTimeBookingsOf(assignmentId, assignedAt, logId);
    });
}
