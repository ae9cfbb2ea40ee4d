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

// Makes the card the employee's card in the company, books the company's open
// unassigned bookings of the card as the employee's time bookings and takes
// them off the unassigned list, all in one transaction; appends the assignment
// to the log with the server context's PERSONAL as who did it. A server
// context with a company (FIRMA) allows that company only. On PostgreSQL the
// server's function arbeitsplatz.setkarte does all of it.
//
// expectedHolder is the employee number of the card's holder as the caller saw
// it (empty: nobody). When given and somebody else holds the card by now,
// nothing changes and CardHolderChanged is raised. When given and the card
// moves from that holder, the time bookings that came from the card's
// unassigned bookings move with it. Without it the card moves from whoever had
// it and those time bookings stay.
//
// Returns the company number as the server keeps it.
QString assignCard(Session &session, const QString &company, const QString &employeeNumber,
                   const QString &card, const std::optional<QString> &expectedHolder);

// Corrects a wrong assignment from the log: the card and the time bookings the
// wrong employee got by it (from the unassigned bookings it booked or moved,
// and the card's swipes since) go to the employee, in one transaction, logged
// as a correction (art K) with the server context's PERSONAL as who did it.
// Only users of group A (BERGRP of their login record) may correct; only the
// card's last assignment can be corrected, while its employee holds the card.
// A server context with a company sees that company's entries only. On
// PostgreSQL the server's function arbeitsplatz.korrigieren does all of it.
void correctAssignment(Session &session, qint64 assignmentId, const QString &employeeNumber);
