#pragma once

#include <QString>
#include <optional>

// How many unassigned bookings of the logged-in company arrived after the one
// with the given id, inside an open access bracket. Nothing when the server
// cannot tell: the main window then shows no hint.
std::optional<int> countNewBookings(const QString &afterId);

// The status bar's texts: "12 offene Buchungen", "3 neue Buchungen".
QString openBookingsCount(int count);
QString newBookingsCount(int count);
