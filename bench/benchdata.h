#pragma once

class Session;

// Large benchmark data on top of the demo site, written fast: many rows per
// statement, all in one transaction.
namespace BenchData {

// Replaces the unassigned bookings by count bookings of company 1, one per
// card, newest last, none of a card that an employee owns.
void setUnassignedBookings(Session &session, int count);

// Adds numbered active employees to company 1 until it has count of them.
void setActiveEmployees(Session &session, int count);

} // namespace BenchData
