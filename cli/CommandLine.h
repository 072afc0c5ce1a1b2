// kovexctl's command line: one table of its options and one of its
// commands, from which the parser, the argument checks, the dispatch and
// the help page all come. Options go before or after the command; an option
// the command does not take is refused, never ignored.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "link/PciAddress.h"

namespace kovex {

enum class Option {
    Help,
    Version,
    Sim,
    Device,
    Json,
    Quiet,
    Timeout,
    WaitCard,
    Yes,
    ExpectVersion,
    Node,
    NodeDevice,
    SysfsRoot,
    Capture,
    Verbose,
    SimReplay,
    Follow,
    Count,
    For,
};

enum class OptionValue { None, Required, OptionalNumber };

struct CommandSpec;

// An option as given on the line, for checks and the simulated card's aids.
struct GivenOption {
    std::string name;
    std::optional<std::string> value;
};

// The kernel's sysfs; any other --sysfs-root is a made-up tree (a test aid).
inline constexpr std::string_view KERNEL_SYSFS = "/sys";

struct CommandLine {
    bool help = false;
    bool version = false;
    bool sim = false;
    bool json = false;
    bool quiet = false;
    bool yes = false;
    std::optional<PciAddress> device;
    bool allDevices = false;  // --device all
    std::optional<double> timeoutSeconds;
    bool waitCard = false;
    std::optional<double> waitSeconds;    // --wait-card's limit, if given
    std::string sysfsRoot{KERNEL_SYSFS};  // where the PCI devices are listed
    std::optional<std::string> expectVersion;
    std::string node = "10";
    std::string nodeDevice = "34";
    // Traffic: the capture file, the hex lines on standard error, the
    // capture a simulated card replays.
    std::optional<std::string> capture;
    bool verbose = false;
    std::optional<std::string> replay;
    // messages --follow: watch the card until this many messages came, this
    // many seconds passed, or a signal.
    bool follow = false;
    std::optional<unsigned> followCount;
    std::optional<double> followSeconds;
    // The simulated card's test aids, by option name, in order.
    std::vector<GivenOption> simAids;
    const CommandSpec* command = nullptr;
    // The command's words as typed, for a refusal and the JSON.
    std::string commandName;
    std::vector<std::string> args;
};

struct OptionSpec {
    Option option;
    std::string_view name;   // "--device"
    std::string_view alias;  // "-y", or empty
    OptionValue value;
    std::string_view valueName;
    std::string_view help;
    bool global;  // every command takes it; otherwise only those that list it
    // The switch an option without a value sets; null for the others.
    bool CommandLine::*flag = nullptr;
};

struct CommandContext;
struct CommandResult;
using CommandRun = CommandResult (*)(CommandContext&);

struct CommandSpec {
    std::string_view name;       // "poll-list set"
    std::string_view arguments;  // "N N ...", as the help shows them
    std::size_t fewestArgs;
    std::size_t mostArgs;
    std::span<const Option> options;  // the command's own options
    std::string_view help;
    CommandRun run;
    bool opensCard;   // list only reads the bus
    bool numberArgs;  // its arguments are numbers, each an IsNumberToken
};

std::span<const OptionSpec> Options();
std::span<const CommandSpec> Commands();

struct ParsedCommandLine {
    CommandLine line;
    std::string error;  // empty when the line is good
};

ParsedCommandLine ParseCommandLine(const std::vector<std::string>& words);

// "0000:03:07.0", or the short "03:07.0" on domain 0.
std::optional<PciAddress> ParseDeviceAddress(std::string_view text);

// The most messages --follow --count waits for.
inline constexpr unsigned MOST_FOLLOW_COUNT = 1000000;

// The longest give-up or wait time an option takes, in seconds: one day.
inline constexpr double MOST_SECONDS = 24 * 60 * 60;

// A number kovexctl sends is a whole word: decimal digits, or a "$", "x" or
// "0x" prefix and hex digits, from 0 to 254.
bool IsNumberToken(std::string_view token);
inline constexpr std::string_view NUMBER_RULE = "from 0 to 254 (decimal, or hex after $, x or 0x)";

// The man-style page of --help.
std::string HelpText();

}  // namespace kovex
