#include "link/CardExchange.h"

#include <chrono>

#include "link/CardLoss.h"

namespace kovex {

std::string CardSilentLine() {
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(CardPort::GIVE_UP_AFTER);
    return "KOVEX did not answer within " + std::to_string(seconds.count()) +
           " s; command abandoned";
}

std::string CardKeepsSendingLine(std::size_t thrownAway) {
    return "KOVEX keeps sending: " + std::to_string(thrownAway) +
           " bytes thrown away; command abandoned";
}

bool RunCardExchange(CardPort& port, WindowServices& window,
                     const std::function<void(CardPort&)>& work) {
    if (!port.IsOpen()) {
        window.AppendLog(NO_CARD_OPEN_LINE);
        return false;
    }
    auto lease = port.TryTake();
    if (!lease) {
        window.AppendLog(PORT_TAKEN_LINE);
        return false;
    }
    try {
        work(port);
    } catch (const CardNotAnswering&) {
        port.NoteGiveUp();
        window.AppendLog(CardSilentLine());
        return false;
    } catch (const CardKeepsSending& flood) {
        port.NoteGiveUp();
        window.AppendLog(CardKeepsSendingLine(flood.ThrownAway()));
        return false;
    } catch (const CardLost& lost) {
        HandleCardLost(port, window, lost);
        return false;
    }
    return true;
}

}  // namespace kovex
