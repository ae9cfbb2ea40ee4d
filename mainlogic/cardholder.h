#pragma once

#include <QString>
#include <optional>

// The employee a card is to go to, read from the combo once when the user asks:
// the question names this one, and "Ja" assigns this one, whatever the combo
// shows by the time the server has answered.
struct ChosenEmployee
{
    QString number; // the entry's key
    QString shown;  // number and name, as the combo showed them
};

// Who holds a card in the logged-in company, as the server knows it.
struct CardHolder
{
    QString number;     // employee number; empty: nobody holds the card
    QString name;       // "Name, Vorname"
    QString assignedBy; // personnel code of who assigned the card
    QString assignedAt; // yyyymmddhhmmss

    // Whether the card would change hands when it goes to the employee.
    bool isOtherThan(const QString &employee) const
    {
        return !number.isEmpty() && number != employee;
    }
};

// Asks the server who holds the card, inside an open access bracket. Nothing
// when the server cannot tell: the assignment then goes ahead without asking.
std::optional<CardHolder> findCardHolder(const QString &card);

// The question before a card changes hands: who holds it, since when, and what Yes does.
QString cardChangeQuestion(const QString &card, const CardHolder &holder, const ChosenEmployee &employee);
