#include "link/CardLoss.h"

#include <string_view>

namespace kovex {
namespace {

// Button13's caption while the poll list refresh is stopped.
constexpr std::string_view REFRESH_STOPPED_CAPTION = "Start";

void DisableCardButtons(WindowServices& window) {
    for (const Control control :
         {Control::Button2, Control::Button4, Control::Button5, Control::Button6, Control::Button7,
          Control::Button8, Control::Button9, Control::Button10, Control::Button11,
          Control::Button13, Control::Button14, Control::Button16}) {
        window.SetEnabled(control, false);
    }
    window.SetEnabled(Control::Button1, true);
}

}  // namespace

std::string CardLostLine(const CardLost& lost) {
    return "Card " + lost.Device() +
           " lost: its registers are no longer reachable (removed, reset or claimed by a "
           "driver); the port is closed. Check it with lspci -d 10b5:9030, then press Open";
}

std::string HandleCardLost(CardPort& port, WindowServices& window, const CardLost& lost) {
    std::string line = CardLostLine(lost);
    if (!port.IsOpen()) return line;
    port.Detach(lost);
    window.LogProblem(line);
    if (window.Timer2Running()) {
        window.SetTimer2Running(false);
        window.SetCaption(Control::Button13, REFRESH_STOPPED_CAPTION);
    }
    DisableCardButtons(window);
    return line;
}

}  // namespace kovex
