#pragma once

#include <QString>

// Logs in the user the connection data name: decides those data (which may
// show the login dialog), checks password and active flag against the
// personnel record, fills the record with the user's data and sets the
// server context. True when the user is logged in.
bool user_anmeld();

// The program's command line as a login takes it: empty once a login from it
// was rejected or failed, so that the next attempt asks in the login dialog
// instead of repeating the same rejected data for ever.
QString loginCommandLine();
// Forgets an earlier failed command-line login (for tests).
void resetLoginCommandLine();
