#include "link/CardLoss.h"

#include "link/CardExchange.h"

namespace kovex {

std::string CardLostLine(const CardLost& lost) {
    return "Card " + lost.Device() +
           " lost: its registers are no longer reachable (removed, reset or claimed by a "
           "driver); the port is closed. Check it with lspci -d 10b5:9030, then press Open";
}

std::string HandleCardLost(CardPort& port, WindowServices& window, const CardLost& lost) {
    std::string line = CardLostLine(lost);
    if (!port.IsOpen()) return line;
    // Recorded here, where the loss is met first: by a command's wait or by
    // the window's tick between commands.
    port.NoteTrafficEvent(std::string(TrafficEventName(Ending::Lost)) + ": " + line);
    port.Detach(lost);
    window.LogProblem(line);
    window.CardClosed();
    return line;
}

}  // namespace kovex
