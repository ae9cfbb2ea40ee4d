#pragma once

#include <QMap>
#include <QString>

// The statements that change who a swipe or a card belongs to, written once
// for both engines: SQLite runs them from the engine, PostgreSQL's server
// functions are made from the same texts (see sharedstatements.h). Each
// changes exactly the rows it names in one statement, so no other process can
// slip a row in between a look and a change.
//
// Parameters are named (:firma); on the server they become the function's
// variables of the same name with "v_" in front (v_firma).
namespace LedgerStatement {

// Takes the card for the employee when nobody holds it.
extern const QString takeCard;
// Locks the card's row and reads its holder and the assignment he has it by.
extern const QString lockCard;
// Appends an assignment to the log; returns its id.
extern const QString logAssignment;
// Gives the card to the employee by the assignment :zuordnung.
extern const QString handOverCard;
// Moves every swipe the employee got by the assignment :vorige, those swiped
// while he held the card included: what a correction takes back.
extern const QString takeOverSwipes;
// Moves only the swipes the assignment :vorige booked from the list or took
// over: what goes with a card that changes hands; the holder's own swipes stay.
extern const QString takeOverListedSwipes;
// Books the card's open swipes to the employee.
extern const QString bookOpenSwipes;
// Notes in the log which swipes the assignment :zuordnung booked or took over.
extern const QString recordSwipes;
// Takes an open swipe off the list without booking it, noting who and from where.
extern const QString markDone;
// Puts a swipe taken off the list back on it.
extern const QString reopen;

// The time bookings as a table to read from (id, firma, pnr, karte,
// buchungstext, zeitpunkt "yyyymmddhhmm"): the swipes booked to an employee,
// without the copies kept from before each swipe was stored once.
extern const QString timeBookings;

} // namespace LedgerStatement

// The statements above by the names the server script uses for them.
const QMap<QString, const QString *> &ledgerStatementsByName();
