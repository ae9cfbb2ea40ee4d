#pragma once

#include "frmprogrammverlauf.h"
#include "ports/historyport.h"

// The database module writes its history lines into the history window.
class HistoryWindowPort : public HistoryPort
{
public:
    void insertLine(const QString &Programmteil, const QString &Text, const QString &Parameter) override
    {
        frmProgrammverlauf::instance().StatusText(Programmteil, Text, Parameter);
    }
};
