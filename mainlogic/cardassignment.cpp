#include "mainlogic/cardassignment.h"

#include "cacheapi/cacheapi.h"
#include "cacheapi/objects/servererrors.h"

namespace {

// Calls "setkarte"; with the holder the user was shown, when the server told one.
void setkarte(const QString &employee, const QString &card, const std::optional<CardHolder> &holderSeen)
{
    std::unique_ptr<ServerObject> noPers = Verbindung.CacheFactory->newObject(QStringLiteral("Quastel.NoPers"));
    QVariantList arguments{Verbindung.Firma, employee, card};
    if (holderSeen)
        arguments << holderSeen->number;
    noPers->call(QStringLiteral("setkarte"), arguments);
    Verbindung.Firma = arguments.at(0).toString();
}

// Called inside the bracket. Nothing when the card is the employee's now;
// otherwise why not, with the bracket closed.
std::optional<AssignmentOutcome> giveCard(const QString &card, const ChosenEmployee &employee)
{
    for (;;) {
        const std::optional<CardHolder> holder = findCardHolder(card);
        if (holder && holder->isOtherThan(employee.number)) {
            ZugriffEnde(false);
            const bool yes = ports().userInterface->question(cardChangeQuestion(card, *holder, employee),
                                                             QStringLiteral("Karte bereits vergeben"),
                                                             UserInterfacePort::Preset::No);
            if (!yes)
                return AssignmentOutcome{AssignmentOutcome::Kind::Declined, QString()};
            ZugriffBeginn(false);
        }
        try {
            setkarte(employee.number, card, holder);
            return std::nullopt;
        } catch (const CacheError &error) {
            if (error.number() == ServerError::CardHolderChanged)
                continue;
            if (error.number() != ServerError::AssignmentRefused)
                throw;
            ZugriffEnde(false);
            return AssignmentOutcome{AssignmentOutcome::Kind::Refused,
                                     QStringLiteral("Die Karte kann nicht zugeordnet werden:\r\n") +
                                         error.description()};
        }
    }
}

// Marks the booking done; setkarte booked it with the card's other open ones.
void takeOffTheList(const ListedBooking &listed)
{
    std::unique_ptr<ServerObject> booking = Verbindung.CacheFactory->openId(QStringLiteral("Quastel.NoPers"), listed.id);
    // The booking is the listed one only while its number still names the
    // swipe the list showed: a number the server gave out again (a restore)
    // is left alone.
    if (booking->property(QStringLiteral("Buchungstext")).toString() == listed.text) {
        QVariantList deleted{listed.id};
        booking->call(QStringLiteral("sys_deleteid"), deleted);
    }
    booking->call(QStringLiteral("sys_close"));
}

} // namespace

AssignmentOutcome assignCard(const ListedBooking &booking, const ChosenEmployee &employee)
{
    ZugriffBeginn(false);
    if (std::optional<AssignmentOutcome> notAssigned = giveCard(booking.card, employee))
        return *notAssigned;
    takeOffTheList(booking);
    ZugriffEnde(false);
    return AssignmentOutcome{AssignmentOutcome::Kind::Assigned, QString()};
}
