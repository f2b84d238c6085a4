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

// The message text of a failure, or nullopt for the silent kind.
std::optional<std::string> messageOf(std::exception_ptr failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const EAbort&) {
        return std::nullopt;
    } catch (const Exception& e) {
        return e.message();
    } catch (const std::bad_alloc&) {
        return std::string(msg::kOutOfMemory);
    } catch (const std::exception& e) {
        return std::string(e.what());
    } catch (...) {
        return std::string();
    }
}

// A widget holding the mouse would otherwise keep it while the box is open.
void cancelMouseCapture() {
    if (QWidget* grabber = QWidget::mouseGrabber()) {
        grabber->releaseMouse();
    }
}

}  // namespace

void reportFailureText(DesktopServices& services, const std::string& message) {
    cancelMouseCapture();
    services.showMessage(withClosingPeriod(message), std::string(kApplicationTitle), mb::kFailure);
}

void reportFailure(DesktopServices& services, std::exception_ptr failure) {
    try {
        if (const std::optional<std::string> message = messageOf(failure)) {
            reportFailureText(services, *message);
        }
    } catch (...) {
        // Showing the failure failed as well (no memory for the box): nothing more can be
        // told to the user, and the program goes on.
    }
}

}  // namespace vestura
