#pragma once

#include <QString>

class Session;

// A swipe's identity: company, and of its booking text the terminal, the kind
// (characters 1 to 10), the card and the clock time (characters 21 to 42).
// The branch (11 to 14) is not part of it: a clock that sends none and a file
// that names it describe the same swipe. Copies kept from before the identity
// was unique (doppelt_von) stand outside it.
inline const QString swipeIdentity =
    QStringLiteral("firma, substr(buchungstext, 1, 10), substr(buchungstext, 21, 22)");

// Version 7: every swipe of a time clock in one table, stempelung, open or
// booked to exactly one employee, stored once by its identity. Replaces the
// unassigned bookings (nopers) and the time bookings (zeitbuchung) of earlier
// versions, keeping every row and id.
void introduceSwipeLedger(Session &session);
