// Any text the server hands out as a booking must give a list row, never a crash.

#include "bookingrow.h"
#include "fuzzinput.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = fuzzText(data, size);
    const BookingRow row = parseBooking(text);
    // The card is characters 21-30 as they stand, whatever the rest holds.
    if (row.karte != text.mid(20, 10))
        std::abort();
    if (row.valid && (row.datum.size() != 10 || row.zeit.size() != 5))
        std::abort();
    return 0;
}
