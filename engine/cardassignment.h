#pragma once

#include <QString>
#include <optional>

class Session;

// The card field of a booking text: ten characters, right-aligned. Empty when
// the card is empty or longer than ten characters.
QString cardField(const QString &card);

// Whether a text holds characters that are no part of a card number or a
// name: line feeds, tabs and the other control characters.
bool hasControlCharacters(const QString &text);

// Makes the card the employee's card in the company and books the company's
// open swipes of the card to the employee, all in one transaction; appends the
// assignment to the log with the server context's PERSONAL as who did it. A
// server context with a company (FIRMA) allows that company only. Only an
// active employee gets a card. On PostgreSQL the server's function
// arbeitsplatz.setkarte does all of it, from the same ledger statements.
//
// expectedHolder is the employee number of the card's holder as the caller saw
// it (empty: nobody). When given and somebody else holds the card by now,
// nothing changes and CardHolderChanged is raised. When given and the card
// moves from that holder, the swipes that the assignment he held the card by
// booked move with it, and nothing older. Without it the card moves from
// whoever had it and the swipes stay.
//
// Returns the company number as the server keeps it.
QString assignCard(Session &session, const QString &company, const QString &employeeNumber,
                   const QString &card, const std::optional<QString> &expectedHolder);

// Corrects a wrong assignment from the log: the card and every swipe the wrong
// employee got by that assignment (booked from the list, taken over, or swiped
// while he held the card, late files included) go to the employee, in one
// transaction, logged as a correction (art K) with the server context's
// PERSONAL as who did it. A correction of a correction carries them on. Only
// users of group A (BERGRP of their login record) may correct; only the
// assignment the card is held by can be corrected. A server context with a
// company sees that company's entries only. On PostgreSQL the server's
// function arbeitsplatz.korrigieren does all of it.
void correctAssignment(Session &session, qint64 assignmentId, const QString &employeeNumber);

// Takes an open swipe off the list without booking it (the workstation's
// "delete"), noting when, by whom (PERSONAL) and from which server context;
// a booked swipe, one taken off before, or one of another company than the
// context's stays as it is. On PostgreSQL arbeitsplatz.stempelung_loeschen.
void takeSwipeOffList(Session &session, qint64 id);

// Puts a swipe taken off the list back on it; false when it was not taken off.
bool reopenSwipe(Session &session, qint64 id);
