#pragma once

#include <QStringList>

class Session;

// What the ledger of swipes and cards holds that it must not, as German lines
// for karven-admin check. Every swipe is open or booked to exactly one
// employee by the schema itself; this finds what the schema cannot express:
// a swipe stored twice, a swipe or card whose holder is not the one its
// assignment in the log names.
struct LedgerFindings
{
    QStringList violations; // the ledger is wrong
    QStringList notes;      // kept as they were found, worth a look
};

LedgerFindings checkLedger(Session &session);
