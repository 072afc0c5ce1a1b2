#include "link/CardExchange.h"

#include <array>
#include <chrono>
#include <cstdio>

#include "link/CardLoss.h"

namespace kovex {

std::string CardSilentLine(const CardPort& port) {
    // Whole seconds as such ("10 s"), a give-up time kovexctl was given as
    // it was typed ("0.5 s").
    const double seconds = std::chrono::duration<double>(port.GiveUpAfter()).count();
    std::array<char, 32> text{};
    std::snprintf(text.data(), text.size(), "%g", seconds);
    return std::string("KOVEX did not answer within ") + text.data() + " s; command abandoned";
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

std::string StoppedLine(std::string_view left) {
    return "Stopped " + std::string(left);
}

namespace {

Outcome Problem(WindowServices& window, Ending ending, std::string line) {
    window.LogProblem(line);
    return Outcome::Shown(ending, std::move(line));
}

// A program that is closing logs nothing more: its window is going away.
Outcome EndedEarly(const CardPort& port, WindowServices& window, Outcome outcome) {
    outcome.left = LeftOnCardText(port);
    if (!outcome.left.empty() && outcome.ending != Ending::Interrupted) {
        window.LogProblem(StoppedLine(outcome.left));
    }
    return outcome;
}

// The loss is told once, by whoever met it first (the window's tick may have,
// while the work waited); the work that met it after ends with a line of
// its own.
Outcome Lost(CardPort& port, WindowServices& window, const CardLost& lost) {
    const bool toldBefore = !port.IsOpen();
    // Logged now, or by whoever met the loss before.
    Outcome outcome = Outcome::Shown(Ending::Lost, HandleCardLost(port, window, lost));
    if (toldBefore && !port.Stake()) window.LogProblem(NOT_DONE_CARD_LOST_LINE);
    return outcome;
}

// The work, with the port held; how it ended.
Outcome RunHeldWork(CardPort& port, WindowServices& window,
                    const std::function<Outcome(CardPort&)>& work) {
    try {
        Outcome outcome = work(port);
        return outcome ? outcome : EndedEarly(port, window, std::move(outcome));
    } catch (const CardNotAnswering&) {
        return EndedEarly(port, window, Problem(window, Ending::Silent, CardSilentLine(port)));
    } catch (const CardAbsent&) {
        return EndedEarly(port, window,
                          Problem(window, Ending::Absent, std::string(CARD_ABSENT_LINE)));
    } catch (const CardKeepsSending& flood) {
        return EndedEarly(
            port, window,
            Problem(window, Ending::KeepsSending, CardKeepsSendingLine(flood.ThrownAway())));
    } catch (const CardLost& lost) {
        return EndedEarly(port, window, Lost(port, window, lost));
    } catch (const WindowClosing&) {
        // Nothing is logged: the window is going away, or kovexctl says so.
        return EndedEarly(port, window, Outcome::Of(Ending::Interrupted, ""));
    }
}

// The exchange's end as an event of the port's traffic, when it ended early
// while the card was being worked. A loss is recorded where it is met
// (HandleCardLost).
Outcome Noted(CardPort& port, Outcome outcome) {
    if (outcome || outcome.ending == Ending::Lost) return outcome;
    const std::string_view what = TrafficEventName(outcome.ending);
    if (what.empty()) return outcome;
    port.NoteTrafficEvent(outcome.text.empty() ? std::string(what)
                                               : std::string(what) + ": " + outcome.text);
    return outcome;
}

}  // namespace

std::string_view TrafficEventName(Ending ending) {
    switch (ending) {
        case Ending::Silent:
            return "give-up";
        case Ending::KeepsSending:
            return "keeps sending";
        case Ending::TimedOut:
            return "time-out";
        case Ending::Lost:
            return "card lost";
        case Ending::Absent:
            return "card absent";
        case Ending::Interrupted:
            return "interrupted";
        default:
            return {};
    }
}

Outcome RunCardWork(CardPort& port, WindowServices& window,
                    const std::function<Outcome(CardPort&)>& work) {
    if (!port.IsOpen()) return Problem(window, Ending::NoCard, std::string(NO_CARD_OPEN_LINE));
    auto lease = port.TryTake();
    if (!lease) return Problem(window, Ending::InUse, std::string(PORT_TAKEN_LINE));
    return Noted(port, RunHeldWork(port, window, work));
}

}  // namespace kovex
