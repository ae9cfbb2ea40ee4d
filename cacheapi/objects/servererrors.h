#pragma once

#include <QtGlobal>

// The server's error numbers that the program answers in its own way instead
// of ending with a runtime error.
namespace ServerError {

constexpr qint32 UnknownClass = 5101;
constexpr qint32 UnknownQuery = 5103;
// "setkarte" cannot assign the card: unknown employee, or a card that is no card number.
constexpr qint32 AssignmentRefused = 5301;
// "setkarte" was told who holds the card, and somebody else holds it by now.
constexpr qint32 CardHolderChanged = 5302;
// A correction of an assignment was asked for by a user whose login record does not allow it.
constexpr qint32 CorrectionNotAllowed = 5303;
// A server entry that no workstation could use, or that is not the user's to change.
constexpr qint32 ServerEntryRefused = 5306;

} // namespace ServerError
