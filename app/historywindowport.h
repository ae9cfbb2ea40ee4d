#pragma once

#include "cacheapi/ports/historyport.h"
#include "history/frmprogrammverlauf.h"

// The database module writes its history lines into the history window.
class HistoryWindowPort : public HistoryPort
{
public:
    void insertLine(const QString &Programmteil, const QString &Text, const QString &Parameter) override
    {
        frmProgrammverlauf::instance().StatusText(Programmteil, Text, Parameter);
    }
};
