#pragma once

// A workstation of a site as the shared server sees it: its own connection,
// polling the unassigned bookings and assigning cards with the program's own
// order of calls. Used by the concurrency and load tests, one per thread.

#include "cacheapi/objects/cacheobjects.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

class Workstation
{
public:
    // Connects with the configured engine and logs in as the demo data's
    // administrator of the company; throws CacheError when it cannot.
    explicit Workstation(const QString &connectionString, const QString &company = QStringLiteral("1"));

    struct Listing
    {
        QStringList ids; // in the order the server delivers them
        std::optional<qint64> counter; // the company's count of new bookings with them
    };
    // The unassigned bookings.
    Listing listBookings();
    // How many arrived after the given one: the light check while rows are listed.
    int countNewBookings(const QString &afterId);
    // Calls back when the server tells of a new booking (never, where it cannot),
    // from this thread's event loop.
    void onNewBookings(std::function<void(const NewBookingsNotice &)> listener);
    bool toldOfNewBookings() { return factory_->tellsOfNewBookings(); }
    // The card of a booking: characters 21-30 of its text.
    QString cardOf(const QString &bookingId);
    enum class Outcome { Assigned, UserAsked };
    // As "Speichern" does: asks who holds the card, and when somebody does,
    // stops where the program would ask or tell the user; else "setkarte"
    // with the holder seen, then opens the booking by id and deletes it.
    Outcome assign(const QString &bookingId, const QString &card, const QString &employee);

private:
    std::unique_ptr<Factory> factory_;
    QString company_;
};
