#pragma once

#include <QString>

// The personnel code (display form) of the company's user with this password;
// empty when none matches or the lookup fails. Reports nothing.
QString BenutzerAusPasswort(const QString &passwort);
