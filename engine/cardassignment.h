#pragma once

#include <QString>

class Session;

// The card field of a booking text: ten characters, right-aligned. Empty when
// the card is empty or longer than ten characters.
QString cardField(const QString &card);

// Makes the card the employee's card in the company (moving it from whoever
// had it) and books that company's unassigned bookings of the card as the
// employee's time bookings, all in one transaction. Bookings taken over once
// are never booked again. Records the server context's PERSONAL as who did it.
// Returns the company number as the server keeps it.
QString assignCard(Session &session, const QString &company, const QString &employeeNumber,
                   const QString &card);
