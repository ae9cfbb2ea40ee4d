#pragma once

class Session;

// Version 7: every swipe of a time clock in one table, stempelung, open or
// booked to exactly one employee, stored once by its identity. Replaces the
// unassigned bookings (nopers) and the time bookings (zeitbuchung) of earlier
// versions, keeping every row and id.
void introduceSwipeLedger(Session &session);
