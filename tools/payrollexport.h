#pragma once

#include "tools/commandline/commandline.h"

#include <QTextStream>

// karven-admin export: the time bookings of a period for payroll, optionally
// of one company or employee, as a CSV file for payroll programs, an Excel
// workbook with typed cells, or both: one row per booking with company,
// employee number and name, date, time, Kommen or Gehen, terminal and card.
// Returns the exit code.
int exportTimeBookings(const AdminOptions &options, QTextStream &out, QTextStream &err);
