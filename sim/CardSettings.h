// Timing and faults of the simulated card, set per test.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <vector>

#include "link/Clock.h"

namespace kovex {

struct CardTiming {
    Nanos replyDelay{0};                              // frame end -> first reply byte
    Nanos eraseTime{std::chrono::milliseconds(300)};  // CMD_ERASE -> its reply byte
    Nanos txBusyHold{0};                              // TX_BUSY after each host byte
    // CMD_PROGRAM_LINE -> its acknowledgement; replyDelay when not set.
    std::optional<Nanos> lineAckDelay;
    // CMD_RESET -> the restarted firmware's start-up chatter.
    Nanos restartTime{std::chrono::milliseconds(30)};
    // No reply byte becomes readable before this time on the card's clock,
    // however short its delay: a reply ready at a set moment.
    Nanos repliesNotBefore{0};
};

struct CardFaults {
    bool silent = false;       // takes bytes and executes commands, never answers
    bool stuckTxBusy = false;  // TX_BUSY never clears
    // Program line number N, counted from 0 since the last erase (or since
    // construction), fails: it is neither written nor acknowledged.
    std::optional<int> noAckAtLine;
    std::vector<std::uint8_t> extraAfterReply;  // appended after every reply
    // RX_EMPTY never sets: after its queued replies the card sends 0x00
    // bytes without end (a card that keeps sending, or a stuck status).
    bool endlessStream = false;
};

}  // namespace kovex
