#include "cli/FollowMessages.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <ctime>
#include <optional>

#include "cli/Json.h"
#include "cli/LogText.h"
#include "cli/TerminalWindow.h"
#include "console/StatusCommands.h"
#include "link/CardExchange.h"
#include "link/CardRegisters.h"
#include "seam/HexText.h"

namespace kovex {
namespace {

using namespace std::chrono_literals;

constexpr Nanos TIMER1_INTERVAL = 100ms;
// How soon a sleep between two ticks sees a signal.
constexpr Nanos SLEEP_STEP = 10ms;

class Follower {
public:
    explicit Follower(CommandContext& context)
        : context_(context),
          clock_(context.clock),
          state_(context.port.State()),
          end_(context.line.followSeconds
                   ? clock_.Now() + std::chrono::duration_cast<Nanos>(
                                        std::chrono::duration<double>(*context.line.followSeconds))
                   : Nanos::max()) {}

    Outcome Run() {
        for (Nanos nextTick = clock_.Now();;) {
            if (Enough()) return {};
            if (state_.Closing) return Outcome::Of(Ending::Interrupted, "");
            const Nanos now = clock_.Now();
            if (now >= end_) return {};
            if (now < nextTick) {
                clock_.SleepFor(std::min({SLEEP_STEP, nextTick - now, end_ - now}));
                continue;
            }
            // Like the window's timer, a tick missed while fetching is not made up.
            nextTick = now + TIMER1_INTERVAL;
            // Watching a quiet card is what was asked: no note that it waits.
            context_.window.StartCommand();
            if (Outcome fetched = FetchWhileWaiting(); !fetched) return fetched;
        }
    }

    unsigned Received() const { return received_; }

private:
    bool Enough() const {
        const auto count = context_.line.followCount;
        return (count && received_ >= *count) || context_.output.Failed();
    }

    // Timer1's read of the status; nullopt when the exchange failed.
    std::optional<std::uint8_t> ReadStatus(Outcome& outcome) {
        std::uint8_t status = 0;
        outcome = RunCardExchange(context_.port, context_.window,
                                  [&status](CardPort& port) { status = port.ReadStatus(); });
        if (!outcome) return std::nullopt;
        return status;
    }

    Outcome FetchWhileWaiting() {
        while (!Enough()) {
            Outcome outcome;
            const auto status = ReadStatus(outcome);
            if (!status) return outcome;
            if (*status == ABSENT_STATUS)
                return Outcome::Of(Ending::Absent, std::string(CARD_ABSENT_LINE));
            if ((*status & NO_MESSAGE) != 0) return {};
            Reply<WaitingMessage> fetched = context_.status.Button11Click();
            if (!fetched.outcome) return fetched.outcome;
            if (fetched.value) Print(*fetched.value);
            context_.window.ForgetLog();
        }
        return {};
    }

    void Print(const std::vector<std::uint8_t>& bytes) {
        ++received_;
        if (context_.line.json) {
            context_.output.Line(FollowedMessageJson(std::chrono::system_clock::now(), bytes));
        } else {
            context_.output.Line(TerminalText(Latin1ToUtf8(ReceivedMessageLine(bytes))));
        }
    }

    CommandContext& context_;
    MonotonicClock& clock_;
    AppState& state_;
    const Nanos end_;
    unsigned received_ = 0;
};

}  // namespace

std::string IsoTime(std::chrono::system_clock::time_point time) {
    const auto millis =
        std::chrono::duration_cast<std::chrono::milliseconds>(time.time_since_epoch()).count();
    const auto seconds = static_cast<std::time_t>(millis / 1000);
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    std::array<char, 32> text{};
    const std::size_t length = std::strftime(text.data(), text.size(), "%Y-%m-%dT%H:%M:%S", &utc);
    std::array<char, 8> fraction{};
    std::snprintf(fraction.data(), fraction.size(), ".%03lldZ",
                  static_cast<long long>(millis % 1000));
    return std::string(text.data(), length) + fraction.data();
}

std::string FollowedMessageJson(std::chrono::system_clock::time_point time,
                                std::span<const std::uint8_t> bytes) {
    return JsonObject()
        .Add("time", JsonString(IsoTime(time)))
        .Add("bytes", JsonArray(bytes))
        .Text();
}

CommandResult FollowMessages(CommandContext& context) {
    const Reply<std::uint8_t> mode = context.status.GetMode();
    context.window.ForgetLog();
    CommandResult result{mode.outcome, {}, {}, {}};
    if (!mode.outcome) return result;
    if (mode.value != MODE_RUN) {
        result.outcome = Outcome::Of(
            Ending::NotRunning, "The card is not in run mode (mode " + Hex(mode.value, 2) +
                                    "): nodes leave messages only in run mode; kovexctl mode run "
                                    "starts it");
        return result;
    }
    if (!context.line.quiet) TerminalWindow::Note("following the node messages (Ctrl-C stops)");
    Follower follower(context);
    result.outcome = follower.Run();
    result.values.Add("received", JsonNumber(follower.Received()));
    result.printedAsTheyCame = true;
    return result;
}

}  // namespace kovex
