#pragma once

class Session;

// Passwords kept no longer as typed but as the value derived from them
// (PasswordSecret) with the number of its scheme; on PostgreSQL the server
// keys that value once more on its way in, from now on by triggers on the
// table (see workstation.sql). Run inside the upgrade's transaction, after
// the server functions are installed.
void keepDerivedPasswords(Session &session);
