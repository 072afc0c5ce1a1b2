#include <array>

#include "cli/CommandLine.h"
#include "cli/Commands.h"

namespace kovex {
namespace {

using enum OptionValue;

constexpr std::array<OptionSpec, 19> OPTIONS{{
    {Option::Sim, "--sim", "", None, "",
     "use the simulated card of kovex-programmer-sim instead of the PCI bus", true,
     &CommandLine::sim},
    {Option::Device, "--device", "", Required, "ADDRESS|all",
     "use the PCI 9030 at this address (0000:03:07.0, or 03:07.0 on domain 0); all runs the "
     "command on every KOVEX card on the bus, in parallel, one result line per card",
     true},
    {Option::Json, "--json", "", None, "",
     "print one JSON object per command instead of the lines (see JSON)", true, &CommandLine::json},
    {Option::Quiet, "--quiet", "-q", None, "", "no progress on standard error", true,
     &CommandLine::quiet},
    {Option::Timeout, "--timeout", "", Required, "SECONDS",
     "give up on a card that stays silent this long (default 10)", true},
    {Option::WaitCard, "--wait-card", "", OptionalNumber, "[SECONDS]",
     "when another program holds the card, wait for it (at most SECONDS when a number follows) "
     "instead of ending at once with status 4; Ctrl-C stops the wait",
     true},
    {Option::SysfsRoot, "--sysfs-root", "", Required, "DIR",
     "test aid: look for the PCI devices under DIR/bus/pci/devices instead of "
     "/sys/bus/pci/devices (a made-up tree: a folder of yours or root's, whose files are taken "
     "only as regular files, never through a link)",
     true},
    {Option::Capture, "--capture", "", Required, "FILE",
     "write every frame and reply exchanged with the card to FILE, a pcapng capture that "
     "Wireshark decodes with the kovex dissector (see CAPTURES)",
     true},
    {Option::Verbose, "--verbose", "-v", None, "",
     "each frame and reply as a line of hex bytes on standard error (> out, < in); no progress",
     true, &CommandLine::verbose},
    {Option::SimReplay, "--sim-replay", "", Required, "FILE",
     "use a simulated card that replays the capture FILE: each frame is answered as the capture "
     "answered it; a frame that differs is named on standard error and the card goes silent",
     true},
    {Option::Help, "--help", "-h", None, "", "this page", true, &CommandLine::help},
    {Option::Version, "--version", "", None, "", "the program's version", true,
     &CommandLine::version},
    {Option::Yes, "--yes", "-y", None, "",
     "answer yes to the file check's question (a damaged file is refused all the same)", false,
     &CommandLine::yes},
    {Option::ExpectVersion, "--expect-version", "", Required, "TEXT",
     "after programming, the firmware version the card must report (exit 5 when it differs)",
     false},
    {Option::Node, "--node", "", Required, "N", "the display's node (10)", false},
    {Option::NodeDevice, "--node-device", "", Required, "D", "the display's device (34)", false},
    {Option::Follow, "--follow", "-f", None, "",
     "after the waiting messages, watch the card (every 100 ms, run mode only) and print each "
     "message as it comes, until --count, --for or a signal",
     false, &CommandLine::follow},
    {Option::Count, "--count", "", Required, "N", "with --follow: end after N messages", false},
    {Option::For, "--for", "", Required, "SECONDS", "with --follow: end after SECONDS", false},
}};

constexpr std::size_t MANY = 1000;
constexpr std::array<Option, 2> PROGRAM_OPTIONS{Option::Yes, Option::ExpectVersion};
constexpr std::array<Option, 2> UPLOAD_OPTIONS{Option::Node, Option::NodeDevice};
constexpr std::array<Option, 3> MESSAGES_OPTIONS{Option::Follow, Option::Count, Option::For};

// One row a command: its words, its arguments as the help shows them and
// how many it takes, its own options, its help line, what it runs, whether
// it opens the card and whether its arguments are numbers.
// clang-format off
constexpr std::array<CommandSpec, 21> COMMANDS{{
    {"list", "", 0, 0, {}, "the devices on the bus, address first; the cards marked", RunList, false, false},
    {"version", "", 0, 0, {}, "the card's firmware version", RunVersion, true, false},
    {"mode", "", 0, 0, {}, "the card's mode (66 run, 99 boot)", RunMode, true, false},
    {"mode run", "", 0, 0, {}, "switches the card to its run firmware", RunRunMode, true, false},
    {"mode boot", "", 0, 0, {}, "switches the card to its boot loader", RunBootMode, true, false},
    {"poll-speed", "", 0, 0, {}, "the card's poll speed", RunPollSpeed, true, false},
    {"clear-buffer", "", 0, 0, {}, "empties the card's message buffer", RunClearBuffer, true, false},
    {"poll-list get", "", 0, 0, {}, "the poll list (and each node's status in run mode)",
     RunGetPollList, true, false},
    {"poll-list set", "N N ...", 1, MANY, {}, "writes the poll list (numbers 1 to 254; 0 ends it)",
     RunSetPollList, true, true},
    {"send", "\"NODE DEVICE CMD ...\"", 1, MANY, {}, "sends one node message (numbers 0 to 254)",
     RunSend, true, true},
    {"messages", "", 0, 0, MESSAGES_OPTIONS,
     "fetches the messages nodes left, until none is left; with --follow, then those that come",
     RunMessages, true, false},
    {"loopback", "", 0, 0, {}, "the card's packet counters", RunLoopback, true, false},
    {"test", "", 0, 0, {}, "the Test sequence: node 10's relays, outputs, timer, messages, "
     "firmware version and serial port, each step's box line then its message", RunTest, true,
     false},
    {"program", "FILE", 1, 1, PROGRAM_OPTIONS,
     "programs the firmware in the Intel HEX FILE; the file is read and checked before the card "
     "is touched", RunProgram, true, false},
    {"display clear", "", 0, 0, {}, "clears the display node (node 10, device 34)",
     RunDisplayClear, true, false},
    {"display text", "STRING", 1, 1, {}, "writes STRING on the display", RunDisplayText, true, false},
    {"display save", "N", 1, 1, {}, "stores what the display shows as image N, then says \"Saved\"",
     RunDisplaySave, true, true},
    {"display show", "N", 1, 1, {}, "shows the stored image N", RunDisplayShow, true, true},
    {"display font", "5x7|10x14", 1, 1, {}, "chooses the display's font", RunDisplayFont, true,
     false},
    {"display xy", "X Y", 2, 2, {}, "moves the display's cursor to X, Y (pixels)", RunDisplayXy,
     true, true},
    {"display upload", "PICTURE", 1, 1, UPLOAD_OPTIONS,
     "sends a .bmp, .ico, .emf, .wmf or .png picture to the display node", RunDisplayUpload, true, false},
}};
// clang-format on

}  // namespace

std::span<const OptionSpec> Options() {
    return OPTIONS;
}

std::span<const CommandSpec> Commands() {
    return COMMANDS;
}

}  // namespace kovex
