#pragma once

#include <QString>

// Where the database module writes a line of the program history. The window that shows
// the history lives above this module; the application hands it in through this port.
class HistoryPort
{
public:
    virtual ~HistoryPort() = default;
    // Puts a line on top of the history: reporting program part, text and parameter.
    virtual void insertLine(const QString &Programmteil, const QString &Text,
                            const QString &Parameter) = 0;
};
