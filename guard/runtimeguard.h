#pragma once

#include <functional>

// Runs an event handler of the program's windows. A failure that no routine
// handled ends the program in order: the standard error message with number
// and description, then disconnect and end. Nothing escapes into the event loop.
void runGuarded(const std::function<void()> &handler);

// Wraps a handler for connecting it to a signal.
template <class Handler> auto guarded(Handler handler)
{
    return [handler](auto &&...) { runGuarded(handler); };
}
