#include "link/ClickQueue.h"

#include "link/CardExchange.h"

namespace kovex {

void ServeCardClick(CardPort& port, const std::function<void()>& click) {
    if (port.Queue(click)) return;
    click();
}

bool RunGivingWay(CardPort& port, WindowServices& window,
                  const std::function<void(CardPort&)>& work) {
    std::function<void()> queued;
    bool gaveWay = false;
    const bool done = RunCardExchange(port, window, [&](CardPort& held) {
        const CardPort::GiveWay givingWay(held, queued);
        try {
            work(held);
        } catch (const ExchangeYielded&) {
            gaveWay = true;
        }
    });
    if (queued) queued();
    return done && !gaveWay;
}

}  // namespace kovex
