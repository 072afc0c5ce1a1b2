#include "link/ClickQueue.h"

#include "link/CardExchange.h"

namespace kovex {

void ServeCardClick(CardPort& port, const std::function<void()>& click) {
    if (port.Queue(click)) return;
    click();
}

Outcome RunGivingWay(CardPort& port, WindowServices& window,
                     const std::function<void(CardPort&)>& work) {
    std::function<void()> queued;
    Outcome outcome = RunCardExchange(port, window, [&](CardPort& held) {
        const CardPort::GiveWay givingWay(held, queued);
        try {
            work(held);
        } catch (const ExchangeYielded&) {
            return Outcome::Of(Ending::InUse, "gave way to a click");
        }
        return Outcome{};
    });
    if (queued) queued();
    return outcome;
}

}  // namespace kovex
