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

    SendOutcome SendString(std::string_view text) override {
        return target_ != nullptr ? target_->SendString(text) : SendOutcome{};
    }
    SendOutcome SendAsOneExchange(const std::function<void()>& messages) override {
        return target_ != nullptr ? target_->SendAsOneExchange(messages) : SendOutcome{};
    }
    void ServeClick(const std::function<void()>& click) override {
        if (target_ != nullptr) {
            target_->ServeClick(click);
        } else {
            click();
        }
    }

private:
    MessageSink* target_ = nullptr;
};

}  // namespace kovex
