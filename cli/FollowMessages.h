// messages --follow: after the messages that wait, watches the card as the
// window's Timer1 does (its status every 100 ms, in run mode only) and
// fetches each node message with Get Msg as it arrives, printing it at once:
// its line, or with --json an object with the time it came and its bytes.
// It ends after --count messages, after --for seconds, at a signal, or when
// the card fails; the card stays held the whole time.
#pragma once

#include <chrono>
#include <cstdint>
#include <span>
#include <string>

#include "cli/Commands.h"

namespace kovex {

// "2026-12-11T10:47:14.123Z": UTC, with milliseconds.
std::string IsoTime(std::chrono::system_clock::time_point time);
// One line of --follow --json: {"time": ..., "bytes": [...]}.
std::string FollowedMessageJson(std::chrono::system_clock::time_point time,
                                std::span<const std::uint8_t> bytes);

CommandResult FollowMessages(CommandContext& context);

}  // namespace kovex
