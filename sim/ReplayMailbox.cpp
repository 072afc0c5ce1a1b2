#include "sim/ReplayMailbox.h"

#include <algorithm>
#include <chrono>
#include <string_view>
#include <utility>

#include "link/CardRegisters.h"
#include "link/CardTraffic.h"
#include "seam/HexText.h"

namespace kovex {

namespace {

// A reply later than a day after its frame (a damaged time stamp) comes a
// day after it: no wait lasts longer, and the time stays countable.
constexpr std::uint64_t LONGEST_DELAY_US = 24ULL * 60 * 60 * 1'000'000;

// Which bytes of a reply its comments say were drained.
std::vector<bool> DrainedBytes(const PacketRecord& packet) {
    std::vector<bool> drained(packet.bytes.size(), false);
    for (const std::string& comment : packet.comments) {
        if (comment.starts_with(DRAINED_COMMENT)) {
            ParseDrainedRanges(std::string_view(comment).substr(DRAINED_COMMENT.size()),
                               packet.bytes.size(), drained);
        }
    }
    return drained;
}

// The reply's bytes, each `after` the frame, onto `bytes`.
void AddReply(const PacketRecord& packet, Nanos after, std::vector<ReplayStep::TimedByte>& bytes) {
    const std::vector<bool> drained = DrainedBytes(packet);
    for (std::size_t i = 0; i < packet.bytes.size(); ++i)
        bytes.push_back({after, packet.bytes[i], drained[i]});
}

}  // namespace

ReplayScript ScriptOf(const CaptureContents& capture) {
    ReplayScript script;
    std::optional<std::uint64_t> frameAt;
    for (std::size_t i = 0; i < capture.packets.size(); ++i) {
        const PacketRecord& packet = capture.packets[i];
        if (packet.interface != 0) continue;
        if (packet.direction == PacketDirection::Outbound) {
            script.steps.push_back({packet.bytes, i + 1, {}});
            frameAt = packet.microseconds;
        } else if (packet.direction == PacketDirection::Inbound && !frameAt) {
            AddReply(packet, Nanos{0}, script.leftover);
        } else if (packet.direction == PacketDirection::Inbound) {
            const std::uint64_t since =
                packet.microseconds >= *frameAt ? packet.microseconds - *frameAt : 0;
            const auto after = std::chrono::microseconds(std::min(since, LONGEST_DELAY_US));
            AddReply(packet, after, script.steps.back().reply);
        }
    }
    return script;
}

ReplayMailbox::ReplayMailbox(const MonotonicClock& clock, ReplayScript script)
    : clock_(clock), script_(std::move(script)) {
    for (const ReplayStep::TimedByte& byte : script_.leftover)
        pending_.push_back({clock_.Now(), byte.value, byte.drained});
}

bool ReplayMailbox::ByteReady() const {
    return !pending_.empty() && pending_.front().readyAt <= clock_.Now();
}

std::uint8_t ReplayMailbox::ReadStatus() const {
    std::uint8_t status = 0;
    if (!ByteReady()) status |= RX_EMPTY;
    // The host asks for a node message only when one waits: the capture's
    // next frame says whether one did.
    constexpr std::size_t COMMAND_AT = 3;
    constexpr std::uint8_t GET_MESSAGE = 0x0C;
    const bool messageNext = !silent_ && next_ < script_.steps.size() &&
                             script_.steps[next_].frame.size() > COMMAND_AT &&
                             script_.steps[next_].frame[COMMAND_AT] == GET_MESSAGE;
    if (!messageNext) status |= NO_MESSAGE;
    return status;
}

std::uint8_t ReplayMailbox::ReadData() {
    if (!ByteReady()) return 0;
    const std::uint8_t value = pending_.front().value;
    pending_.pop_front();
    return value;
}

void ReplayMailbox::WriteData(std::uint8_t byte) {
    if (frame_.empty()) FrameStarts();
    frame_.push_back(byte);
    if (byte == 0xFF) FrameEnded();
}

void ReplayMailbox::FrameStarts() {
    frameStart_ = clock_.Now();
    std::erase_if(pending_, [](const Pending& waiting) { return waiting.drained; });
}

void ReplayMailbox::FrameEnded() {
    const std::vector<std::uint8_t> sent = std::exchange(frame_, {});
    if (silent_) return;
    if (next_ == script_.steps.size()) return Mismatch(sent, "no more frames");
    const ReplayStep& step = script_.steps[next_];
    if (sent != step.frame) {
        return Mismatch(sent,
                        "packet " + std::to_string(step.packetNumber) + ":" + HexBytes(step.frame));
    }
    ++next_;
    for (const ReplayStep::TimedByte& byte : step.reply)
        pending_.push_back({frameStart_ + byte.after, byte.value, byte.drained});
}

void ReplayMailbox::Mismatch(const std::vector<std::uint8_t>& sent, const std::string& expected) {
    silent_ = true;
    pending_.clear();
    if (tell_) {
        tell_("replay: the host sent" + HexBytes(sent) + " where the capture has " + expected +
              "; the card is silent from here");
    }
}

}  // namespace kovex
