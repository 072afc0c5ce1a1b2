// The short card exchanges of the main window: Version, Poll Speed, Run Mode,
// Boot Mode, Clear Buff, Get Msg and Loopback. Each drains the mailbox, sends
// one frame, reads its reply and logs one line.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "link/CardPort.h"
#include "seam/WindowServices.h"

namespace kovex {

inline constexpr std::uint8_t GET_MESSAGE_TICKS = 5;
inline constexpr std::size_t GET_MESSAGE_MOST_BYTES = 255;

// "6 Bytes recieved:  0A 00 07 02 31 32"
std::string ReceivedMessageLine(std::span<const std::uint8_t> bytes);

class StatusCommands {
public:
    StatusCommands(CardPort& port, WindowServices& window) : port_(port), window_(window) {}

    void Button4Click();   // Version
    void Button6Click();   // Poll Speed
    void Button7Click();   // Run Mode
    void Button8Click();   // Boot Mode
    void Button11Click();  // Get Msg
    void Button12Click();  // Clear Buff
    void Button15Click();  // Loopback
    // Reads the card's mode: "KOVEX Run Mode = " and two hex digits.
    void GetMode();

private:
    // Drain, send a frame without payload, read the one reply byte.
    std::uint8_t AskOneByte(std::span<const std::uint8_t> frame);
    void Exchange(const std::function<void(CardPort&)>& work);
    void GetMessage();
    std::vector<std::uint8_t> CollectMessage();

    CardPort& port_;
    WindowServices& window_;
};

}  // namespace kovex
