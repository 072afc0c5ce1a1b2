#include "console/Timer1Rule.h"

#include "link/CardLoss.h"
#include "link/CardRegisters.h"

namespace kovex {

void Timer1Timer(AppState& state, CardPort& port, WindowServices& window) {
    if (state.TickCountdown > 0) --state.TickCountdown;
    // Version is enabled only by a successful Open: until then the status
    // register is not there to read.
    if (!window.IsEnabled(Control::Button4) || !port.IsOpen()) return;
    if (state.CardMode != MODE_RUN) {
        window.SetEnabled(Control::Button11, false);
        return;
    }
    try {
        const bool messageWaiting = (port.ReadStatus() & NO_MESSAGE) == 0;
        window.SetEnabled(Control::Button11, messageWaiting);
    } catch (const CardLost& lost) {
        HandleCardLost(port, window, lost);
    }
}

}  // namespace kovex
