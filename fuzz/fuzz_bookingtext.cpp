// Any text the server hands out as a booking must give a list row, never a crash.

#include "cacheapi/text/bookingrow.h"
#include "fuzz/fuzzinput.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = fuzzText(data, size);
    const BookingRow row = parseBooking(text);
    // The card assigned is characters 21-30 as they stand, whatever the rest holds.
    if (row.storedCard != text.mid(20, 10) || row.karte.size() != row.storedCard.size())
        std::abort();
    // No character of the text shifts the list's columns.
    if (row.rowText().count(QLatin1Char('\n')) != 2)
        std::abort();
    if (row.valid && (row.datum.size() != 10 || row.zeit.size() != 5))
        std::abort();
    return 0;
}
