#pragma once

#include "mainlogic/cardholder.h"

// An unassigned booking as the list showed it to the user.
struct ListedBooking
{
    QString id;
    QString text; // the booking text the list read with it
    QString card; // as the server stored it
};

// How an assignment ended.
struct AssignmentOutcome
{
    enum class Kind {
        Assigned, // the card is the employee's; its open bookings are booked
        Declined, // the user kept the card with its holder: nothing changed
        Refused,  // the server refused the employee: nothing changed
    };
    Kind kind;
    QString refusal; // Refused: what to tell the user
};

// Gives the booking's card to the employee on the server and takes the booking
// off the unassigned ones, in its own access bracket. The card changes hands
// only from a holder the user was shown and agreed to: when another
// workstation gives it to somebody meanwhile, the user is asked again.
AssignmentOutcome assignCard(const ListedBooking &booking, const ChosenEmployee &employee);
