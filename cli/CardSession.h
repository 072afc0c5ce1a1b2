// One kovexctl command on one card: opens it as Open does, runs the
// command through the window's own handlers, prints its result (lines or
// JSON) and returns the exit status its outcome maps to.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/CommandLine.h"
#include "cli/Commands.h"
#include "cli/ResultOutput.h"
#include "cli/TerminalWindow.h"
#include "cli/TrafficTrace.h"
#include "console/NodeMessageSender.h"
#include "console/PollList.h"
#include "console/StatusCommands.h"
#include "firmware/ProgrammingSequence.h"
#include "link/BridgeApi.h"
#include "link/CaptureFile.h"
#include "link/CardDiscovery.h"
#include "link/CardPort.h"
#include "link/Clock.h"
#include "seam/AppState.h"

namespace kovex {

// Where a session's traffic is recorded besides -v: the capture file, the
// card's interface in it when already added (--device all adds them all
// before the runs start), and what the card's name starts with there.
struct SessionCapture {
    CaptureFile* file = nullptr;
    std::optional<std::uint32_t> interface;
    std::string namePrefix;
};

class CardSession {
public:
    CardSession(AppState& state, BridgeApi& bridge, MonotonicClock& clock, const CommandLine& line,
                ResultOutput& output, const SessionCapture& capture = {});

    int Run();
    // The result as one line on standard output (the summary, or the JSON
    // object), for a run on one card of many.
    void PrintOneLine() { oneLine_ = true; }
    // Called with each line the command logs, once it is shown.
    void WatchLog(std::function<void(std::string_view)> watcher) {
        window_.WatchLog(std::move(watcher));
    }

private:
    Outcome Open();
    OpenResult OpenOnce();
    CommandResult RunCommand();
    void PrintLines(const CommandResult& result, int status);
    void PrintJson(const CommandResult& result, int status,
                   const std::vector<std::string>& closing);
    std::string DeviceText() const;
    void RecordTraffic(const SessionCapture& capture);
    // The card's interface name in a capture: "0000:03:07.0", after the prefix.
    std::string CaptureName(const std::string& prefix) const;

    const CommandLine& line_;
    MonotonicClock& clock_;
    ResultOutput& output_;
    TerminalWindow window_;
    CardPort port_;
    CardOpener opener_;
    StatusCommands status_;
    NodeMessageSender sender_;
    PollList pollList_;
    ProgrammingSequence programming_;
    bool oneLine_ = false;
    std::optional<CardCapture> capture_;
    TrafficTrace trace_;
};

// "kovexctl: " and the text on standard error; the JSON's error object.
std::string ErrorJson(std::string_view code, std::string_view text);
// The one JSON object of a run, on every path: the device and values as
// JSON text ("null", "{}"), the log lines as text, the errors as objects.
std::string RunJson(const CommandLine& line, std::string device, int status, std::string values,
                    const std::vector<std::string>& log, const std::vector<std::string>& errors);

}  // namespace kovex
