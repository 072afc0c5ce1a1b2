#include "shell/core/SlotGuard.h"

#include <exception>

#include "link/CardPort.h"

namespace kovex {

std::string WithFullStop(std::string_view message) {
    std::string text(message);
    if (!text.empty() && static_cast<unsigned char>(text.back()) > '.') text.push_back('.');
    return text;
}

void RunGuarded(WindowServices& window, const std::function<void()>& handler) noexcept {
    try {
        try {
            handler();
        } catch (const WindowClosing&) {
            // The program is ending; nothing to report.
        } catch (const std::exception& error) {
            window.ShowError(WithFullStop(error.what()));
        } catch (...) {
            window.ShowError(WithFullStop("Unknown error"));
        }
    } catch (...) {
        // Showing the error failed as well; the event loop must still go on.
    }
}

}  // namespace kovex
