#pragma once

#include <QMap>
#include <QString>

// The login check, written once for both engines (see sharedstatements.h).
namespace LoginStatement {

// The login record of :code in :firma with the outcome of the login: "abgelehnt"
// (password or active flag), "abteilung" or "basis" (the department or the
// employee record is missing) or "angemeldet"; then the login record's pname,
// pnr, abtnr, dw, bergrp, the department's abtbez, habtnr and the employee's
// fax, email. No row: no such user. :geheim is the password as the database
// keeps it.
extern const QString checkLogin;

} // namespace LoginStatement

// The statements above by the names the server script uses for them.
const QMap<QString, const QString *> &loginStatementsByName();
