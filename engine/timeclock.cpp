#include "timeclock.h"

#include "bookingtext.h"
#include "cardassignment.h"
#include "clocktime.h"
#include "companynumber.h"
#include "engineerrors.h"
#include "session.h"

#include <QSqlQuery>

namespace {

const QString kindsOfBooking = QStringLiteral("KG");

[[noreturn]] void refuse(const QString &message)
{
    EngineError::raise(EngineError::InvalidValue, message);
}

void checkSwipe(const QString &company, const QString &terminal, const QString &kind,
                const QString &card, const QString &time, const QString &branch)
{
    if (!isCompanyNumber(company))
        refuse(QStringLiteral("Firma \"%1\" ist keine Firmennummer von 1 bis %2").arg(company.left(40)).arg(highestCompany));
    // A line feed or tab in a booking text would shift what the list shows.
    for (const auto &[what, value] : {std::pair{QStringLiteral("Firma"), company},
                                      std::pair{QStringLiteral("Terminalname"), terminal},
                                      std::pair{QStringLiteral("Filiale"), branch},
                                      std::pair{QStringLiteral("Kartennummer"), card}}) {
        if (hasControlCharacters(value))
            refuse(QStringLiteral("%1 enthält Steuerzeichen (Zeilenumbruch, Tabulator o. ä.)").arg(what));
        // What arrived as broken UTF-8 was decoded to U+FFFD: the card is not known as sent.
        if (value.contains(QChar::ReplacementCharacter))
            refuse(QStringLiteral("%1 enthält ungültige Zeichen (kein gültiges UTF-8)").arg(what));
    }
    if (terminal.trimmed().isEmpty() || terminal.size() > TimeClock::terminalWidth)
        refuse(QStringLiteral("Terminalname \"%1\" muss 1 bis %2 Zeichen lang sein")
                   .arg(terminal.left(40))
                   .arg(TimeClock::terminalWidth));
    if (branch.trimmed().size() > TimeClock::branchWidth)
        refuse(QStringLiteral("Filiale \"%1\" darf höchstens %2 Zeichen lang sein")
                   .arg(branch.left(40))
                   .arg(TimeClock::branchWidth));
    if (kind.size() != 1 || !kindsOfBooking.contains(kind))
        refuse(QStringLiteral("Buchungsart \"%1\" unbekannt: K (Kommen) oder G (Gehen)")
                   .arg(kind.left(40)));
    if (cardField(card).isEmpty())
        refuse(QStringLiteral("Kartennummer \"%1\" muss 1 bis 10 Zeichen lang sein")
                   .arg(card.left(40)));
    if (!isValidClockTime(time))
        refuse(QStringLiteral("Zeit \"%1\" ist kein gültiger Zeitpunkt im Format yyyymmddhhmm")
                   .arg(time.left(40)));
}

const QString insertTimeBooking =
    QStringLiteral("INSERT INTO zeitbuchung (firma, pnr, karte, zeitpunkt, buchungstext) VALUES (?, ?, ?, ?, ?)"
                   " RETURNING id");
const QString insertUnassignedBooking =
    QStringLiteral("INSERT INTO nopers (firma, karte, buchungstext) VALUES (?, ?, ?) RETURNING id");

// How many booking texts one look-up for swipes booked before asks about:
// each is bound twice, and bound values cost as in RowInserter.
constexpr int textsPerLookUp = 100;

QString bookedAmongStatement()
{
    QStringList marks;
    marks.fill(QStringLiteral("?"), textsPerLookUp);
    const QString among = marks.join(QLatin1Char(','));
    return QStringLiteral("SELECT buchungstext FROM zeitbuchung WHERE firma = ? AND buchungstext IN (%1)"
                          " UNION ALL SELECT buchungstext FROM nopers WHERE firma = ? AND buchungstext IN (%1)")
        .arg(among);
}

// The id a statement "… RETURNING id" gave; the statement is finished at once,
// so that no unfinished statement keeps SQLite from committing.
qint64 returnedId(QSqlQuery &statement)
{
    const bool gotId = statement.next();
    const qint64 id = gotId ? statement.value(0).toLongLong() : 0;
    statement.finish();
    if (!gotId)
        EngineError::raise(EngineError::DatabaseFailure,
                           QStringLiteral("Datenbankfehler: keine Id für die neue Buchung"));
    return id;
}

qint64 insertReturningId(Session &session, const QString &sql, const QVariantList &values)
{
    QSqlQuery query = session.exec(sql, values);
    return returnedId(query);
}

} // namespace

QString TimeClock::bookingText(const QString &terminal, const QString &kind, const QString &card,
                               const QString &time, const QString &branch)
{
    return BookingText::compose(terminal, kind, branch.trimmed(), cardField(card), time);
}

CardBooking bookCard(Session &session, const QString &company, const QString &terminal,
                     const QString &kind, const QString &card, const QString &time,
                     const QString &branch)
{
    checkSwipe(company, terminal, kind, card, time, branch);
    const QString firma = company.trimmed();
    const QString karte = cardField(card);
    const QString text = TimeClock::bookingText(terminal, kind, card, time, branch);

    const QVariant owner = session.firstValue(
        QStringLiteral("SELECT pnr FROM karte WHERE firma = ? AND karte = ?"), {firma, karte});
    if (owner.isValid()) {
        const QString pnr = owner.toString();
        return {CardBooking::TimeBooking,
                insertReturningId(session, insertTimeBooking, {firma, pnr, karte, time, text}), pnr};
    }
    return {CardBooking::UnassignedBooking, insertReturningId(session, insertUnassignedBooking, {firma, karte, text}),
            QString()};
}

QString swipeRefusal(const Swipe &swipe)
{
    try {
        checkSwipe(swipe.company, swipe.terminal, swipe.kind, swipe.card, swipe.time, swipe.branch);
    } catch (const CacheError &refused) {
        if (refused.number() != EngineError::InvalidValue)
            throw;
        return refused.description();
    }
    return QString();
}

SwipeBatch::SwipeBatch(Session &session)
    : session_(session), bookedAmong_(session.prepare(bookedAmongStatement())),
      timeBookings_(session, QStringLiteral("zeitbuchung"),
                    {QStringLiteral("firma"), QStringLiteral("pnr"), QStringLiteral("karte"),
                     QStringLiteral("zeitpunkt"), QStringLiteral("buchungstext")}),
      unassignedBookings_(session, QStringLiteral("nopers"),
                          {QStringLiteral("firma"), QStringLiteral("karte"), QStringLiteral("buchungstext")})
{
}

const QHash<QString, QString> &SwipeBatch::cardHolders(const QString &company)
{
    const auto known = holders_.constFind(company);
    if (known != holders_.cend())
        return *known;
    QHash<QString, QString> &holders = holders_[company];
    QSqlQuery cards = session_.exec(QStringLiteral("SELECT karte, pnr FROM karte WHERE firma = ?"), {company});
    while (cards.next())
        holders.insert(cards.value(0).toString(), cards.value(1).toString());
    return holders;
}

QSet<QString> SwipeBatch::bookedBefore(const QString &company, const QStringList &texts)
{
    QSet<QString> booked;
    for (qsizetype first = 0; first < texts.size(); first += textsPerLookUp) {
        QVariantList among;
        among.reserve(textsPerLookUp);
        for (qsizetype i = first; i < first + textsPerLookUp; ++i)
            among << texts.at(qMin(i, texts.size() - 1)); // the last look-up asks for the last text again
        session_.run(bookedAmong_, QVariantList{company} + among + QVariantList{company} + among);
        while (bookedAmong_.next())
            booked.insert(bookedAmong_.value(0).toString());
        bookedAmong_.finish();
    }
    return booked;
}

QVector<SwipeOutcome> SwipeBatch::book(const QVector<Swipe> &swipes)
{
    QVector<SwipeOutcome> outcomes(swipes.size(), SwipeOutcome{SwipeOutcome::Refused, QString()});
    QVector<QString> texts(swipes.size()); // empty for a refused swipe
    QHash<QString, QStringList> textsOfCompany;
    for (qsizetype i = 0; i < swipes.size(); ++i) {
        const Swipe &swipe = swipes.at(i);
        try {
            checkSwipe(swipe.company, swipe.terminal, swipe.kind, swipe.card, swipe.time, swipe.branch);
        } catch (const CacheError &refused) {
            // The swipe's own values are wrong; a failing database is no such swipe.
            if (refused.number() != EngineError::InvalidValue)
                throw;
            outcomes[i].refusal = refused.description();
            continue;
        }
        texts[i] = TimeClock::bookingText(swipe.terminal, swipe.kind, swipe.card, swipe.time, swipe.branch);
        textsOfCompany[swipe.company.trimmed()] << texts.at(i);
    }
    QHash<QString, QSet<QString>> booked;
    for (auto company = textsOfCompany.cbegin(); company != textsOfCompany.cend(); ++company)
        booked.insert(company.key(), bookedBefore(company.key(), company.value()));

    for (qsizetype i = 0; i < swipes.size(); ++i) {
        const QString &text = texts.at(i);
        if (text.isEmpty())
            continue;
        const Swipe &swipe = swipes.at(i);
        const QString firma = swipe.company.trimmed();
        QSet<QString> &bookedOfCompany = booked[firma];
        if (bookedOfCompany.contains(text)) {
            outcomes[i].kind = SwipeOutcome::BookedBefore;
            continue;
        }
        bookedOfCompany.insert(text);
        const QString karte = cardField(swipe.card);
        const QString pnr = cardHolders(firma).value(karte);
        if (pnr.isEmpty()) {
            unassignedBookings_.add({firma, karte, text});
            outcomes[i].kind = SwipeOutcome::UnassignedBooking;
        } else {
            timeBookings_.add({firma, pnr, karte, swipe.time, text});
            outcomes[i].kind = SwipeOutcome::TimeBooking;
        }
    }
    timeBookings_.flush();
    unassignedBookings_.flush();
    return outcomes;
}
