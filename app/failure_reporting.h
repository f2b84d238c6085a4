// The one way a failure reaches the user: a message box captioned with the application
// title, its text ending in a period where the rule asks for one.
#pragma once

#include <exception>
#include <string>
#include <utility>

#include "app/desktop_services.h"

namespace vestura {

// Shows a failure's message text (period rule applied) with caption "Vestura", flags 16;
// `cause`, when not empty, below it in plain words.
void reportFailureText(DesktopServices& services, const std::string& message,
                       const std::string& cause = {});

// Shows the failure held by `failure`: EAbort is dropped silently; any other exception is
// shown by its message text (what() for exceptions that are not the program's own, an
// empty text for anything else).
void reportFailure(DesktopServices& services, std::exception_ptr failure);

// Runs `handler`; a failure leaving it is reported and ends it there. Every handler of the
// window runs inside this guard, so no exception reaches Qt's event dispatch.
template <typename Handler>
void runGuarded(DesktopServices& services, Handler&& handler) noexcept {
    try {
        std::forward<Handler>(handler)();
    } catch (...) {
        reportFailure(services, std::current_exception());
    }
}

}  // namespace vestura
