#include "timeclock.h"

#include "bookingtext.h"
#include "cardassignment.h"
#include "companynumber.h"
#include "engineerrors.h"
#include "session.h"

#include <QDate>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QTime>

namespace {

const QString kindsOfBooking = QStringLiteral("KG");

[[noreturn]] void refuse(const QString &message)
{
    EngineError::raise(EngineError::InvalidValue, message);
}

// The clocks send wall-clock time, so the date and the time of day are checked
// on their own: a local time skipped by daylight saving is still a valid swipe.
bool isValidClockTime(const QString &time)
{
    static const QRegularExpression twelveDigits(QStringLiteral("^\\d{12}$"));
    return twelveDigits.match(time).hasMatch() &&
           QDate::fromString(time.left(8), QStringLiteral("yyyyMMdd")).isValid() &&
           QTime::fromString(time.mid(8), QStringLiteral("HHmm")).isValid();
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

qint64 insertReturningId(Session &session, const QString &sql, const QVariantList &values)
{
    QSqlQuery query = session.exec(sql + QStringLiteral(" RETURNING id"), values);
    if (!query.next())
        EngineError::raise(EngineError::DatabaseFailure,
                           QStringLiteral("Datenbankfehler: keine Id für die neue Buchung"));
    return query.value(0).toLongLong();
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
        const qint64 id = insertReturningId(
            session,
            QStringLiteral("INSERT INTO zeitbuchung (firma, pnr, karte, zeitpunkt, buchungstext)"
                           " VALUES (?, ?, ?, ?, ?)"),
            {firma, pnr, karte, time, text});
        return {CardBooking::TimeBooking, id, pnr};
    }
    const qint64 id = insertReturningId(
        session, QStringLiteral("INSERT INTO nopers (firma, karte, buchungstext) VALUES (?, ?, ?)"),
        {firma, karte, text});
    return {CardBooking::UnassignedBooking, id, QString()};
}

std::optional<CardBooking> bookCardOnce(Session &session, const QString &company, const QString &terminal,
                                        const QString &kind, const QString &card, const QString &time,
                                        const QString &branch)
{
    checkSwipe(company, terminal, kind, card, time, branch);
    const QString firma = company.trimmed();
    const QString text = TimeClock::bookingText(terminal, kind, card, time, branch);
    if (session.firstValue(QStringLiteral("SELECT 1 FROM zeitbuchung WHERE firma = ? AND buchungstext = ?"
                                          " UNION ALL SELECT 1 FROM nopers WHERE firma = ? AND buchungstext = ?"),
                           {firma, text, firma, text})
            .isValid())
        return std::nullopt;
    return bookCard(session, company, terminal, kind, card, time, branch);
}
