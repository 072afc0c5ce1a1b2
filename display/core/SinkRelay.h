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

    bool SendString(std::string_view text) override {
        return target_ != nullptr && target_->SendString(text);
    }
    bool SendAsOneExchange(const std::function<void()>& messages) override {
        return target_ != nullptr && target_->SendAsOneExchange(messages);
    }

private:
    MessageSink* target_ = nullptr;
};

}  // namespace kovex
