#pragma once

#include <functional>
#include <type_traits>

// Runs an event handler of the program's windows. A failure that no routine
// handled ends the program in order: the standard error message with number
// and description, then disconnect and end. Nothing escapes into the event loop.
void runGuarded(const std::function<void()> &handler);

// Wraps a handler for connecting it to a signal; the handler gets the signal's
// arguments when it takes them.
template <class Handler> auto guarded(Handler handler)
{
    return [handler](auto &&...arguments) {
        runGuarded([&] {
            if constexpr (std::is_invocable_v<Handler, decltype(arguments)...>)
                handler(arguments...);
            else
                handler();
        });
    };
}
