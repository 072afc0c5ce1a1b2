// Drives the command frame builders with bytes from the input and checks
// everything they return:
//  - a built frame is 00 5A F0, the builder's code, a length byte equal to
//    size - 6, the payload exactly as given, then FF, and no other FF;
//  - a refused build leaves the frame empty and gives a reason that really
//    applies to the bytes it was given.
// Input: the first byte picks the builder, the rest are its arguments.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <vector>

#include "link/CommandFrames.h"

namespace kovex {
namespace {

using Bytes = std::vector<std::uint8_t>;

enum class Builder { GetPollItem, GetNodeStatus, SetPollItem, ProgramLine, SendMessage, Count };

struct Request {
    Builder builder = Builder::GetPollItem;
    std::uint8_t code = 0;
    Bytes payload;  // what the frame must carry
    FrameBuild build;
};

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "Command frame property broken: %s\n", what);
    std::abort();
}

std::uint8_t ArgAt(std::span<const std::uint8_t> args, std::size_t at) {
    return at < args.size() ? args[at] : 0;
}

Request Build(std::span<const std::uint8_t> input) {
    Request r;
    const std::uint8_t selector = input.empty() ? 0 : input[0];
    r.builder = static_cast<Builder>(selector % static_cast<std::uint8_t>(Builder::Count));
    const auto args = input.empty() ? input : input.subspan(1);
    switch (r.builder) {
        case Builder::GetPollItem:
            r.code = CMD_GET_POLL_ITEM;
            r.payload = {ArgAt(args, 0)};
            r.build = BuildGetPollItem(ArgAt(args, 0));
            break;
        case Builder::GetNodeStatus:
            r.code = CMD_GET_NODE_STATUS;
            r.payload = {ArgAt(args, 0)};
            r.build = BuildGetNodeStatus(ArgAt(args, 0));
            break;
        case Builder::SetPollItem:
            r.code = CMD_SET_POLL_ITEM;
            r.payload = {ArgAt(args, 0), ArgAt(args, 1)};
            r.build = BuildSetPollItem(ArgAt(args, 0), ArgAt(args, 1));
            break;
        case Builder::ProgramLine:
            r.code = CMD_PROGRAM_LINE;
            r.payload.assign(args.begin(), args.end());
            r.build = BuildProgramLine(args);
            break;
        case Builder::SendMessage:
        case Builder::Count:
            r.code = CMD_SEND_MESSAGE;
            r.payload.assign(args.begin(), args.end());
            r.build = BuildSendMessage(args);
            break;
    }
    return r;
}

void CheckRefusal(const Request& r) {
    const FrameRefusal& refusal = *r.build.refusal;
    if (!r.build.frame.empty()) Fail("a refused build left bytes in the frame");
    if (refusal.LogLine().empty()) Fail("a refusal without a log line");
    switch (refusal.reason) {
        case FrameRefusal::Reason::EndByteInPayload: {
            const auto first = std::ranges::find(r.payload, FRAME_END);
            if (first == r.payload.end() ||
                refusal.payloadPosition != static_cast<std::size_t>(first - r.payload.begin()) ||
                refusal.value != FRAME_END) {
                Fail("refused for an FF that is not the payload's first FF");
            }
            return;
        }
        case FrameRefusal::Reason::PayloadTooLong:
            if (r.builder != Builder::SendMessage || r.payload.size() <= 254 ||
                refusal.payloadLength != r.payload.size()) {
                Fail("refused as too long without being too long");
            }
            return;
        case FrameRefusal::Reason::WrongRecordLength:
            if (r.builder != Builder::ProgramLine || r.payload.size() == LINE_RECORD_LENGTH ||
                refusal.payloadLength != r.payload.size()) {
                Fail("refused for a record length that is right");
            }
            return;
    }
    Fail("unknown refusal reason");
}

void CheckFrame(const Request& r) {
    const Frame& frame = r.build.frame;
    if (frame.size() < FRAME_OVERHEAD) Fail("built frame shorter than header, code, length, end");
    if (!std::equal(FRAME_HEADER.begin(), FRAME_HEADER.end(), frame.begin())) Fail("bad header");
    if (frame[FRAME_HEADER.size()] != r.code) Fail("wrong command code");
    if (frame[FRAME_HEADER.size() + 1] != frame.size() - FRAME_OVERHEAD) Fail("bad length byte");
    if (frame.back() != FRAME_END) Fail("frame does not end with FF");
    const auto payloadBegin = frame.begin() + FRAME_OVERHEAD - 1;
    const auto payloadEnd = frame.end() - 1;
    if (std::find(frame.begin(), payloadEnd, FRAME_END) != payloadEnd) Fail("FF inside the frame");
    if (!std::equal(payloadBegin, payloadEnd, r.payload.begin(), r.payload.end())) {
        Fail("payload not carried as given");
    }
}

void CheckBuild(std::span<const std::uint8_t> input) {
    const Request r = Build(input);
    if (r.build.refusal) {
        CheckRefusal(r);
    } else {
        CheckFrame(r);
    }
}

}  // namespace
}  // namespace kovex

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    kovex::CheckBuild(std::span<const std::uint8_t>(data, size));
    return 0;
}
