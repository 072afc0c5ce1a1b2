// Send Msg and Test: node messages typed by the user, and the fixed sequence
// that walks node 10's devices.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "console/NodeMessageSender.h"
#include "seam/Outcome.h"
#include "seam/WindowServices.h"

namespace kovex {

inline constexpr std::string_view SEND_MSG_CAPTION = "Poll List";
inline constexpr std::string_view SEND_MSG_DEFAULT = "0";
inline constexpr int SEND_MSG_MOST_CHARACTERS = 255;
// The drop-down of earlier lines keeps this many, newest first.
inline constexpr std::size_t SEND_MSG_EARLIER_LINES = 30;

// The two-line prompt, each line ended by a line feed and a carriage return.
inline constexpr std::string_view SEND_MSG_PROMPT =
    "Command to send: Node Device Command Params\n\r"
    "For example 10 0 7 to get ZARL FW version from node 10\n\r";

struct TestStep {
    std::string_view boxText;
    std::string_view line;
};

inline constexpr std::array<TestStep, 17> TEST_STEPS{{
    {"Relay 1 = 1", "10 3 2 1"},
    {"Relay 1 = 0", "10 3 2 0"},
    {"Relay 2 = 1", "10 4 2 1"},
    {"Relay 2 = 0", "10 4 2 0"},
    {"Out 1 = 1", "10 30 2 1"},
    {"Out 1 = 0", "10 30 2 0"},
    {"Out 2 = 1", "10 31 2 1"},
    {"Out 2 = 0", "10 31 2 0"},
    {"Out 3 = 1", "10 32 2 1"},
    {"Out 3 = 0", "10 32 2 0"},
    {"Out 4 = 1", "10 33 2 1"},
    {"Out 4 = 0", "10 33 2 0"},
    {"Set Timer", "10 5 2 0 0 0 3 0"},
    {"Message 1", "10 7 10 0"},
    {"Message 2", "10 7 10 1"},
    {"Get FW Ver", "10 0 7"},
    {"Send Serial", "10 18 3 48 49 50 51 52 53 54 10 13 0"},
}};

class NodeMessageCommands {
public:
    NodeMessageCommands(NodeMessageSender& sender, WindowServices& window)
        : sender_(sender), window_(window) {}

    Outcome Button10Click();  // Send Msg
    // Test. Each step shows its box, then sends its line; the first message
    // that does not go out (no card, port busy, card silent) ends the sequence.
    Outcome Button14Click();

    // Lines Send Msg sent in this run, single spaced, newest first, each once.
    const std::vector<std::string>& EarlierLines() const { return earlier_; }

private:
    void Remember(const std::string& line);

    NodeMessageSender& sender_;
    WindowServices& window_;
    std::vector<std::string> earlier_;
};

}  // namespace kovex
