#include "engine/cardassignment.h"

#include "cacheapi/objects/companynumber.h"
#include "engine/actinguser.h"
#include "engine/boundvalue.h"
#include "engine/engineerrors.h"
#include "engine/ledger/ledgerstatements.h"
#include "engine/session.h"
#include "engine/sharedstatements.h"

#include <QDateTime>
#include <QSqlQuery>

namespace {

constexpr int cardWidth = 10;

[[noreturn]] void refuse(const QString &reason)
{
    EngineError::raise(EngineError::AssignmentRefused, reason);
}

// One change of a card's holder in one company, inside the caller's
// transaction, through the ledger's statements.
class HolderChange
{
public:
    HolderChange(Session &session, QString company, QString employee, QString card)
        : session_(session), actor_(actingUser(session)), values_{{QStringLiteral("firma"), company},
                                     {QStringLiteral("pnr"), employee},
                                     {QStringLiteral("karte"), card},
                                     {QStringLiteral("vorher"), QStringLiteral("")},
                                     {QStringLiteral("von"), boundValue(actor_.author)},
                                     {QStringLiteral("am"), QDateTime::currentDateTime().toString(
                                                                QStringLiteral("yyyyMMddHHmmss"))}}
    {}

    QString value(const QString &name) const { return values_.value(name).toString(); }

    // Only an active employee of the company gets a card.
    void requireActiveEmployee()
    {
        const QVariant active = session_.firstValue(
            QStringLiteral("SELECT aktiv FROM persbasis WHERE firma = ? AND pnr = ?"),
            {value(QStringLiteral("firma")), value(QStringLiteral("pnr"))});
        if (!active.isValid())
            refuse(QStringLiteral("Mitarbeiter %1 der Firma %2 existiert nicht")
                       .arg(value(QStringLiteral("pnr")).left(40),
                            value(QStringLiteral("firma")).left(40)));
        if (active.toString() != QLatin1String("J"))
            refuse(QStringLiteral(
                       "Mitarbeiter %1 der Firma %2 ist nicht aktiv und bekommt keine Karte")
                       .arg(value(QStringLiteral("pnr")).left(40),
                            value(QStringLiteral("firma")).left(40)));
    }

    // Takes the card when nobody holds it; else locks it and reads who holds
    // it and by which assignment. A second workstation taking the same card
    // waits here for the first one's transaction and then finds its holder.
    void takeCardOrFindHolder()
    {
        if (run(LedgerStatement::takeCard).numRowsAffected() == 1)
            return;
        QSqlQuery holder = run(LedgerStatement::lockCard);
        if (holder.next()) {
            values_.insert(QStringLiteral("vorher"), holder.value(0).toString());
            values_.insert(QStringLiteral("vorige"), holder.value(1));
        }
    }

    QString previousHolder() const { return value(QStringLiteral("vorher")); }
    bool changesHands() const
    {
        return !previousHolder().isEmpty() && previousHolder() != value(QStringLiteral("pnr"));
    }

    // Logs the change, then gives the card to the employee by it.
    void logAndHandOver(const QString &kind)
    {
        values_.insert(QStringLiteral("art"), kind);
        QSqlQuery logged = run(LedgerStatement::logAssignment);
        if (!logged.next())
            EngineError::raise(EngineError::DatabaseFailure,
                               QStringLiteral("Datenbankfehler: keine Id für die Kartenzuordnung"));
        values_.insert(QStringLiteral("zuordnung"), logged.value(0).toLongLong());
        logged.finish();
        run(LedgerStatement::handOverCard);
    }

    // Takes over what the employee before had by the assignment he held the
    // card by: all of it (takeOverSwipes) or what it booked from the list.
    void takeOver(const QString &statement)
    {
        if (values_.value(QStringLiteral("vorige")).isNull())
            return;
        run(statement);
        record(1);
    }

    void bookOpenSwipes()
    {
        run(LedgerStatement::bookOpenSwipes);
        record(0);
    }

    // Whether the acting user may correct assignments of the company: an
    // active user whose login record's group (BERGRP) is A.
    bool userMayCorrect()
    {
        return session_
            .firstValue(QStringLiteral("SELECT count(*) FROM parpersedv WHERE firma = ? AND code = ?"
                                       " AND trim(bergrp) = 'A' AND aktiv = 'J'"),
                        {value(QStringLiteral("firma")), actor_.code})
            .toInt() == 1;
    }

    void setPrevious(const QString &holder, qint64 assignment)
    {
        values_.insert(QStringLiteral("vorher"), holder);
        values_.insert(QStringLiteral("vorige"), assignment);
    }

private:
    QSqlQuery run(const QString &statement)
    {
        return runSharedStatement(session_, statement, values_);
    }

    void record(int takenOver)
    {
        values_.insert(QStringLiteral("umgebucht"), takenOver);
        run(LedgerStatement::recordSwipes);
    }

    Session &session_;
    const ActingUser actor_;
    QVariantMap values_;
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
    const QString firma = canonicalCompany(company);
    const ActingUser actor = actingUser(session);
    // On PostgreSQL the server knows who acts; what is sent counts for the owner's tools only.
    if (session.kind() == EngineKind::Postgres)
        return session
            .firstValue(QStringLiteral("SELECT arbeitsplatz.setkarte(?, ?, ?, ?, ?, ?)"),
                        {firma, boundValue(employeeNumber), boundValue(card),
                         expectedHolder ? boundValue(*expectedHolder) : QVariant(), actor.company,
                         boundValue(actor.author)})
            .toString();
    const QString karte = cardField(card);
    if (hasControlCharacters(card))
        refuse(QStringLiteral(
            "Die Kartennummer enthält Steuerzeichen (Zeilenumbruch, Tabulator o. ä.)"));
    if (karte.isEmpty())
        refuse(QStringLiteral("Ungültige Kartennummer \"%1\"").arg(card.left(40)));
    const QVariant workstationCompany = actor.company;
    if (!workstationCompany.isNull() && workstationCompany.toString() != firma)
        refuse(QStringLiteral("Firma %1 ist nicht die Firma dieses Arbeitsplatzes (%2)")
                   .arg(firma.left(40), workstationCompany.toString().left(40)));
    const QString employee = employeeNumber.trimmed();
    HolderChange change(session, firma, employee, karte);
    // One transaction: the holder check, the move and the bookings stand or fall together.
    session.transaction([&] {
        change.requireActiveEmployee();
        change.takeCardOrFindHolder();
        const QString holder = change.previousHolder();
        if (change.changesHands() && expectedHolder && holder != expectedHolder->trimmed())
            EngineError::raise(EngineError::CardHolderChanged,
                               QStringLiteral("Karte %1 gehört inzwischen Mitarbeiter %2")
                                   .arg(karte.trimmed(), holder));
        const bool confirmed = change.changesHands() && expectedHolder;
        change.logAndHandOver(change.changesHands() ? QStringLiteral("W") : QStringLiteral("Z"));
        if (confirmed)
            change.takeOver(LedgerStatement::takeOverListedSwipes);
        change.bookOpenSwipes();
    });
    return firma;
}

void correctAssignment(Session &session, qint64 assignmentId, const QString &employeeNumber)
{
    const QString employee = employeeNumber.trimmed();
    if (session.kind() == EngineKind::Postgres) {
        const ActingUser actor = actingUser(session);
        session.exec(QStringLiteral("SELECT arbeitsplatz.korrigieren(?, ?, ?, ?)"),
                     {assignmentId, boundValue(employeeNumber), actor.company, boundValue(actor.author)});
        return;
    }
    const QVariant workstationCompany = actingUser(session).company;
    session.transaction([&] {
        QSqlQuery wrong = session.exec(
            QStringLiteral(
                "SELECT z.firma, z.karte, z.pnr, k.zuordnung_id FROM kartenzuordnung z"
                " JOIN karte k ON k.firma = z.firma AND k.karte = z.karte WHERE z.id = ?"),
            {assignmentId});
        // Another company's entries are not there for a workstation of a company.
        if (!wrong.next() || (!workstationCompany.isNull() &&
                              wrong.value(0).toString() != workstationCompany.toString()))
            refuse(QStringLiteral("Zuordnung %1 existiert nicht").arg(assignmentId));
        const QString karte = wrong.value(1).toString();
        const QString wrongEmployee = wrong.value(2).toString();
        const bool stillInForce = wrong.value(3).toLongLong() == assignmentId;
        HolderChange correction(session, wrong.value(0).toString(), employee, karte);
        wrong.finish();

        if (!correction.userMayCorrect())
            EngineError::raise(
                EngineError::CorrectionNotAllowed,
                QStringLiteral("Zuordnungen korrigieren dürfen nur Benutzer der Gruppe A"));
        // What the user saw must still be so: the card is held by this entry.
        if (!stillInForce)
            refuse(QStringLiteral(
                       "Die Karte %1 wurde seither neu zugeordnet; bitte die Liste neu lesen")
                       .arg(karte.trimmed()));
        if (employee == wrongEmployee)
            refuse(QStringLiteral("Die Karte %1 gehört bereits Mitarbeiter %2")
                       .arg(karte.trimmed(), employee));
        correction.requireActiveEmployee();
        correction.setPrevious(wrongEmployee, assignmentId);
        correction.logAndHandOver(QStringLiteral("K"));
        correction.takeOver(LedgerStatement::takeOverSwipes);
    });
}

void takeSwipeOffList(Session &session, qint64 id)
{
    // On PostgreSQL the server knows who acts; what is sent counts for the owner's tools only.
    const ActingUser actor = actingUser(session);
    if (session.kind() == EngineKind::Postgres) {
        session.exec(QStringLiteral("SELECT arbeitsplatz.stempelung_loeschen(?, ?, ?, ?)"),
                     {id, actor.company, actor.author, actor.context});
        return;
    }
    runSharedStatement(session, LedgerStatement::markDone,
                       {{QStringLiteral("id"), id},
                        {QStringLiteral("am"),
                         QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMddHHmmss"))},
                        {QStringLiteral("von"), actor.author},
                        {QStringLiteral("kontext"), actor.context},
                        {QStringLiteral("kontext_firma"), actor.company}});
}

bool reopenSwipe(Session &session, qint64 id)
{
    return runSharedStatement(session, LedgerStatement::reopen, {{QStringLiteral("id"), id}})
               .numRowsAffected() == 1;
}
