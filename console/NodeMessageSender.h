// SendString over the card port: one node message, written with SendFrame
// (no drain before it, no reply after it), then its "Sent: " line.
//
// Each SendString is an exchange of its own, refused with the busy line
// while another exchange holds the port. Inside SendAsOneExchange the port
// is held once for all the messages the callback sends, and each of its
// SendString calls goes straight out. A SendString that arrives while a frame
// is still being written (a nested handler, run by the frame writer's pump)
// is refused with the busy line whatever holds the port: it would cut the
// frame on the wire.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "console/MessageSink.h"
#include "link/CardPort.h"
#include "link/CommandFrames.h"
#include "seam/WindowServices.h"

namespace kovex {

struct NodeMessage;

class NodeMessageSender final : public MessageSink {
public:
    NodeMessageSender(CardPort& port, WindowServices& window) : port_(port), window_(window) {}

    Outcome SendString(std::string_view text) override;
    // A card that stops taking bytes ends the callback (the rest is not
    // sent) with one log line.
    Outcome SendAsOneExchange(const std::function<void()>& messages,
                              const PartWay& partWay) override;
    void ServeClick(const std::function<void()>& click) override;

    // As SendString, but always an exchange of its own (a button's own
    // message); the frame that went out when Done.
    Reply<Frame> SendAlone(std::string_view text);
    // Whether a message of its own could go out now; if not, logs why (no
    // card open, port busy).
    Outcome CanSendAlone();

private:
    Reply<Frame> Send(std::string_view text, bool alone);
    void Write(const NodeMessage& message);

    CardPort& port_;
    WindowServices& window_;
    bool holding_ = false;  // inside SendAsOneExchange
    bool writing_ = false;  // a frame is on its way to the card
};

}  // namespace kovex
