#include "link/CardExchange.h"

#include <chrono>

#include "link/CardLoss.h"

namespace kovex {

std::string CardSilentLine(const CardPort& port) {
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(port.GiveUpAfter());
    return "KOVEX did not answer within " + std::to_string(seconds.count()) +
           " s; command abandoned";
}

std::string CardKeepsSendingLine(std::size_t thrownAway) {
    return "KOVEX keeps sending: " + std::to_string(thrownAway) +
           " bytes thrown away; command abandoned";
}

std::string LeftOnCardText(const CardPort& port) {
    const auto& stake = port.Stake();
    if (!stake) return {};
    return stake->when + ": " + stake->left;
}

namespace {

Outcome Problem(WindowServices& window, Ending ending, std::string line) {
    window.LogProblem(line);
    return Outcome::Of(ending, std::move(line));
}

Outcome EndedEarly(const CardPort& port, Outcome outcome) {
    outcome.left = LeftOnCardText(port);
    return outcome;
}

}  // namespace

Outcome RunCardWork(CardPort& port, WindowServices& window,
                    const std::function<Outcome(CardPort&)>& work) {
    if (!port.IsOpen()) return Problem(window, Ending::NoCard, std::string(NO_CARD_OPEN_LINE));
    auto lease = port.TryTake();
    if (!lease) return Problem(window, Ending::InUse, std::string(PORT_TAKEN_LINE));
    try {
        Outcome outcome = work(port);
        return outcome ? outcome : EndedEarly(port, std::move(outcome));
    } catch (const CardNotAnswering&) {
        return EndedEarly(port, Problem(window, Ending::Silent, CardSilentLine(port)));
    } catch (const CardKeepsSending& flood) {
        return EndedEarly(
            port, Problem(window, Ending::KeepsSending, CardKeepsSendingLine(flood.ThrownAway())));
    } catch (const CardLost& lost) {
        return EndedEarly(port, Outcome::Of(Ending::Lost, HandleCardLost(port, window, lost)));
    } catch (const WindowClosing&) {
        // Nothing is logged: the window is going away, or kovexctl says so.
        return EndedEarly(port, Outcome::Of(Ending::Interrupted, ""));
    }
}

}  // namespace kovex
