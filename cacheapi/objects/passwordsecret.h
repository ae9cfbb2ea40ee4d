#pragma once

#include <QString>

// What a workstation sends and a database keeps instead of a typed password:
// a value derived from it, so that a password a person may use elsewhere never
// leaves the workstation. The scheme number is kept with every stored value,
// so that a later scheme can tell the values of an earlier one apart.
namespace PasswordSecret {

constexpr int scheme = 1;

// Scheme 1: SHA-256 of "KARVEN-Passwort-1:" followed by the password as UTF-8,
// in lower-case hex.
QString derive(const QString &typedPassword);

} // namespace PasswordSecret
