#include "seam/SlotGuard.h"

#include <exception>

#include "seam/AppState.h"

namespace kovex {

std::string WithFullStop(std::string_view message) {
    std::string text(message);
    if (!text.empty() && static_cast<unsigned char>(text.back()) > '.') text.push_back('.');
    return text;
}

void RunGuarded(WindowServices& window, const std::function<void()>& handler) noexcept {
    RunGuarded([&window](std::string_view text) { window.ShowError(text); }, handler);
}

void RunGuarded(const std::function<void(std::string_view)>& showError,
                const std::function<void()>& handler) noexcept {
    try {
        try {
            handler();
        } catch (const WindowClosing&) {
            // The program is ending; nothing to report.
        } catch (const std::exception& error) {
            showError(WithFullStop(error.what()));
        } catch (...) {
            showError(WithFullStop("Unknown error"));
        }
    } catch (...) {
        // Showing the error failed as well; the event loop must still go on.
    }
}

}  // namespace kovex
