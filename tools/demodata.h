#pragma once

#include <QString>

class Session;

// The login that the demo data provide and that scripts and tests use.
namespace DemoLogin {
inline const QString company = QStringLiteral("1");
inline const QString branch = QStringLiteral("0");
inline const QString userCode = QStringLiteral("ADM");
inline const QString password = QStringLiteral("karven");
} // namespace DemoLogin

// Replaces the contents of the personnel, card, booking and server tables with
// a small demo site: two companies, their branches, employees, login users,
// cards and a few unassigned bookings. One transaction: all of it or nothing.
void seedDemoData(Session &session);

// Whether the database holds employees or login users already.
bool holdsPersonnelData(Session &session);
