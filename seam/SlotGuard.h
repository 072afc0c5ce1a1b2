// The boundary between the window toolkit and the handlers: no exception
// gets past it. An error becomes the standard error box and the program goes
// on; a closing window ends the handler silently.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "seam/WindowServices.h"

namespace kovex {

inline constexpr std::string_view APPLICATION_TITLE = "KOVEX Programmer";

// Adds a full stop when the message's last character sorts after ".".
std::string WithFullStop(std::string_view message);

void RunGuarded(WindowServices& window, const std::function<void()>& handler) noexcept;
// The same for a window that offers its error box alone.
void RunGuarded(const std::function<void(std::string_view)>& showError,
                const std::function<void()>& handler) noexcept;

}  // namespace kovex
