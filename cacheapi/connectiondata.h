#pragma once

#include <QString>

// Where the connection and login data come from: a qualifying command line,
// or the settings store with the login dialog and the server list.

// The site's server when neither the command line nor the settings name one.
extern const QString standardServer;

// "cn_iptcp:" + Server + "[" + Port + "]:" + Namespace, into ConnString.
void ConnStringBilden();
// Fills the connection fields from the settings and WJ from the server; with
// nurVerbindung false also the user's name and the windows' fields.
void EinstellungenLesen(bool nurVerbindung);
// Takes the server list's fields and the dialog's password into the record,
// and the user that belongs to the password.
void DialogdatenUebernehmen();
// Decides the connection and login data for a login.
void AnmeldedatenErmitteln();
