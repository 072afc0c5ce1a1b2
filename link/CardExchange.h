// Runs one handler's card work as one exchange: refused before Open and while
// another exchange holds the port; a card that stops answering, keeps
// sending or goes away ends it with one line, and one more that says what
// the card was left holding when the work had begun to change it; a program
// that is closing ends it at once. The port is free again afterwards in
// every case, and how it ended is the returned outcome.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <type_traits>

#include "link/CardPort.h"
#include "seam/Outcome.h"
#include "seam/WindowServices.h"

namespace kovex {

inline constexpr std::string_view NO_CARD_OPEN_LINE = "No card is open: press Open first";
inline constexpr std::string_view PORT_TAKEN_LINE =
    "Card busy: another command is still waiting for the card";
inline constexpr std::string_view CARD_ABSENT_LINE =
    "KOVEX does not answer: its status register reads FF (the card is absent, unpowered or "
    "held in reset)";
// "KOVEX did not answer within 10 s; command abandoned"
std::string CardSilentLine(const CardPort& port);
// "KOVEX keeps sending: 4096 bytes thrown away; command abandoned"
std::string CardKeepsSendingLine(std::size_t thrownAway);
// What an exchange ended early leaves, from what its sequence said was at
// stake: "after the erase: the card holds no firmware; program it again";
// empty when nothing was.
std::string LeftOnCardText(const CardPort& port);
// The line that ends a command the card stopped part way, from what it left:
// "Stopped after the erase: the card holds no firmware; program it again".
std::string StoppedLine(std::string_view left);
// The line that ends a command whose card was found lost (by the window's
// tick) while the command waited, when it had changed nothing yet.
inline constexpr std::string_view NOT_DONE_CARD_LOST_LINE =
    "The command was not done: the card is lost";

// How an ending that met the card is named in the port's traffic ("give-up",
// "time-out", "card lost", ...); empty for endings that never reached it.
std::string_view TrafficEventName(Ending ending);

// The outcome is Done when the work ran to its end; the work's own refusals
// travel as its return value (work that has none returns nothing).
Outcome RunCardWork(CardPort& port, WindowServices& window,
                    const std::function<Outcome(CardPort&)>& work);

template <typename Work>
Outcome RunCardExchange(CardPort& port, WindowServices& window, Work&& work) {
    if constexpr (std::is_void_v<std::invoke_result_t<Work&, CardPort&>>) {
        return RunCardWork(port, window, [&work](CardPort& held) {
            work(held);
            return Outcome{};
        });
    } else {
        return RunCardWork(port, window, work);
    }
}

// For work that reads a value from the card: the value counts when Done.
template <typename Value, typename Read>
Reply<Value> RunCardRead(CardPort& port, WindowServices& window, Read read) {
    Reply<Value> reply;
    reply.outcome =
        RunCardExchange(port, window, [&](CardPort& held) { reply.value = read(held); });
    return reply;
}

}  // namespace kovex
