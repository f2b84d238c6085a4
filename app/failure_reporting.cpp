// Failure reporting: drops the silent kind, releases any mouse grab, shows the rest.
#include "app/failure_reporting.h"

#include <QWidget>
#include <optional>

#include "app/program_info.h"
#include "common/errors.h"
#include "common/failure_text.h"
#include "common/messages.h"

namespace vestura {

namespace {

struct Shown {
    std::string message;
    std::string cause;
};

// The message text of a failure and its cause, or nullopt for the silent kind.
std::optional<Shown> messageOf(std::exception_ptr failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const EAbort&) {
        return std::nullopt;
    } catch (const Exception& e) {
        return Shown{e.message(), e.cause()};
    } catch (const std::bad_alloc&) {
        return Shown{std::string(msg::kOutOfMemory), {}};
    } catch (const std::exception& e) {
        return Shown{std::string(e.what()), {}};
    } catch (...) {
        return Shown{};
    }
}

// The cause as a sentence under the message: "No permission."
std::string causeSentence(std::string cause) {
    if (!cause.empty() && cause.front() >= 'a' && cause.front() <= 'z') {
        cause.front() = char(cause.front() - 'a' + 'A');
    }
    return withClosingPeriod(std::move(cause));
}

// A widget holding the mouse would otherwise keep it while the box is open.
void cancelMouseCapture() {
    if (QWidget* grabber = QWidget::mouseGrabber()) {
        grabber->releaseMouse();
    }
}

}  // namespace

void reportFailureText(DesktopServices& services, const std::string& message,
                       const std::string& cause) {
    cancelMouseCapture();
    services.showMessage(withClosingPeriod(message), std::string(kApplicationTitle), mb::kFailure,
                         causeSentence(cause));
}

void reportFailure(DesktopServices& services, std::exception_ptr failure) {
    try {
        if (const std::optional<Shown> shown = messageOf(failure)) {
            reportFailureText(services, shown->message, shown->cause);
        }
    } catch (...) {
        // Showing the failure failed as well (no memory for the box): nothing more can be
        // told to the user, and the program goes on.
    }
}

}  // namespace vestura
