#pragma once

#include <QString>
#include <QStringView>

// The text of an unassigned booking as the time clocks write it; the clocks
// and the program both read and write it through this layout alone.
// Positions count from 1:
//
//    1-8   terminal name, left-aligned, padded with blanks
//    9     blank
//   10     booking kind: "K" Kommen, "G" Gehen; other characters are a clock's own codes
//   11-14  branch (FIL) of the time clock, left-aligned; blanks from clocks that send none
//   15-20  blanks
//   21-30  card number, right-aligned (blanks inside the number are kept)
//   31-42  time "yyyymmddhhmm"
//
// Characters after 42 are not read. In a text cut short the missing fields are
// shorter or empty.
namespace BookingText {

struct Field
{
    int from;
    int to;
    constexpr int width() const { return to - from + 1; }
};

constexpr Field terminal{1, 8};
constexpr Field kind{10, 10};
constexpr Field branch{11, 14};
constexpr Field card{21, 30};
constexpr Field year{31, 34};
constexpr Field month{35, 36};
constexpr Field day{37, 38};
constexpr Field hour{39, 40};
constexpr Field minute{41, 42};
constexpr Field date{31, 38};
constexpr Field time{31, 42};

// The characters of one field as they stand. A view: a refresh reads a hundred thousand texts.
inline QStringView field(QStringView text, Field which)
{
    return text.mid(which.from - 1, which.width());
}

// "Kommen" or "Gehen" for the kinds every clock writes; empty for a clock's own codes.
QString kindName(QStringView bookingKind);

// The text of one swipe; each value must fit its field (the card is already
// right-aligned to ten characters).
QString compose(const QString &terminalName, const QString &bookingKind,
                const QString &branchNumber, const QString &cardField, const QString &clockTime);

} // namespace BookingText
