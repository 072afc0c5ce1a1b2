// A MessageSink that hands every call on to the sink it was given later, and
// refuses everything (sending nothing) until it has one.
#pragma once

#include <functional>
#include <string_view>

#include "console/MessageSink.h"

namespace kovex {

class SinkRelay final : public MessageSink {
public:
    void SetTarget(MessageSink& target) { target_ = &target; }

    Outcome SendString(std::string_view text) override {
        return target_ != nullptr ? target_->SendString(text) : NoTarget();
    }
    Outcome SendAsOneExchange(const std::function<void()>& messages,
                              const PartWay& partWay) override {
        return target_ != nullptr ? target_->SendAsOneExchange(messages, partWay) : NoTarget();
    }
    void ServeClick(const std::function<void()>& click) override {
        if (target_ != nullptr) {
            target_->ServeClick(click);
        } else {
            click();
        }
    }

private:
    static Outcome NoTarget() { return Outcome::Of(Ending::NoCard, "nothing to send it through"); }

    MessageSink* target_ = nullptr;
};

}  // namespace kovex
