#include <string>

#include "cli/CommandLine.h"
#include "sim/ToolCard.h"

namespace kovex {
namespace {

constexpr std::size_t TERM_WIDTH = 26;
constexpr std::size_t PAGE_WIDTH = 78;

// "    term      text" with the text folded at the page width and indented
// under itself; a term too long for its column gets a line of its own.
std::string Entry(std::string_view term, std::string_view text) {
    std::string out = "    " + std::string(term);
    const std::string indent(4 + TERM_WIDTH, ' ');
    if (out.size() + 2 > indent.size()) {
        out += "\n" + indent;
    } else {
        out.resize(indent.size(), ' ');
    }
    std::size_t column = indent.size();
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find(' ', start);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view word = text.substr(start, end - start);
        if (column > indent.size() && column + 1 + word.size() > PAGE_WIDTH) {
            out += "\n" + indent;
            column = indent.size();
        } else if (column > indent.size()) {
            out += ' ';
            ++column;
        }
        out += word;
        column += word.size();
        start = end + 1;
    }
    return out + "\n";
}

// Built by appending only: GCC 12's Release build misreads "literal" +
// string chains here as overlapping copies (-Wrestrict).
std::string OptionTerm(std::string_view name, std::string_view alias, std::string_view value) {
    std::string term;
    if (!alias.empty()) term.append(alias).append(", ");
    term.append(name);
    if (!value.empty()) term.append(" ").append(value);
    return term;
}

std::string CommandList() {
    std::string out;
    for (const CommandSpec& command : Commands()) {
        std::string term(command.name);
        if (!command.arguments.empty()) term.append(" ").append(command.arguments);
        for (const Option option : command.options) {
            for (const OptionSpec& row : Options()) {
                if (row.option == option) {
                    term.append(" [").append(OptionTerm(row.name, "", row.valueName)).append("]");
                }
            }
        }
        out += Entry(term, command.help);
    }
    return out;
}

std::string OptionList(bool global) {
    std::string out;
    for (const OptionSpec& row : Options()) {
        if (row.global == global)
            out += Entry(OptionTerm(row.name, row.alias, row.valueName), row.help);
    }
    return out;
}

std::string SimAidList() {
    std::string out;
    for (const SimTestAid& aid : ToolCardTestAids())
        out += Entry(OptionTerm(aid.option, "", aid.valueName), aid.help);
    return out;
}

}  // namespace

std::string HelpText() {
    return R"(NAME
    kovexctl - the KOVEX service tool's card commands from a terminal

SYNOPSIS
    kovexctl [OPTIONS] COMMAND [ARGS] [OPTIONS]

DESCRIPTION
    Opens the card as the window's Open does (the one PCI 9030 on the bus, or
    the one at --device: with several on the bus, --device must name one),
    runs one command through the window's own handlers and
    prints its result on standard output: the lines the window would log, one
    per line. Errors, refusals, questions and progress go to standard error,
    each line starting "kovexctl: ". Options go before or after the command;
    an option a command does not take is refused. "--" ends the options.
    Numbers in messages and lists, --node and --node-device are whole words,
    0 to 254 (decimal, or hexadecimal after $, x or 0x); any other is
    refused. Time values are above 0 and at most 86400 seconds (a day).

    program reads the whole file and checks it before the card is touched
    (lines may end in CR LF, CR or LF). A damaged file (a wrong checksum, a
    character that is not a hex digit, a record shorter or longer than its
    byte count) is refused with status 2. Other findings may be intended (no
    end-of-file record, lines after it, records out of address order, data
    outside the card's window, no data at all): on a terminal kovexctl asks
    and waits for y or n (Enter is no); --yes answers yes; otherwise it ends
    with status 3.

    One program at a time talks to a card: while another program has it,
    kovexctl names that program and exits 4, or with --wait-card waits.

    messages --follow fetches the messages that wait, then watches the card
    as the window's timer does (every 100 ms, in run mode only; in boot mode
    it says so and exits 1) and prints each message as it arrives, holding
    the card all the while. It ends after --count N messages or --for
    SECONDS (status 0), or at a signal (128+N). With --json each message is
    one object on a line of its own, {"time": "2026-12-11T10:47:14.123Z",
    "bytes": [12, 3, 7, 2, 48, 49]}, the time in UTC; a run that fails ends
    with its usual object.

    A production script can be rehearsed on the simulated card: --sim-state
    keeps the card from one run to the next, --sim-cards puts several on
    the bus, and a test aid can name one card (--sim-fault
    0000:02:00.0=silent). A kept card goes on running between two runs as a
    real one does: in run mode its packet counters move on and node 12
    leaves a reading every 6 s.

COMMANDS
)" + CommandList() +
           R"(
OPTIONS
)" + OptionList(true) +
           R"(
COMMAND OPTIONS
)" + OptionList(false) +
           R"(
TEST AIDS (with --sim only)
)" + SimAidList() +
           R"(
EXIT STATUS
    0    done
    1    the card failed the command: it did not answer (10 s of silence, or
         --timeout), kept sending, did not acknowledge a programming line in
         time, reads as absent (status FF) or went away; messages --follow
         on a card that is not in run mode
    2    bad usage, or an input refused: a number outside 0 to 254, a file
         that cannot be read or programmed (a damaged HEX file), a picture
         that cannot be loaded
    3    the firmware file's check found something that may be intended and
         it was not answered yes (--yes, or y on a terminal); nothing was sent
    4    no card found, it could not be opened (the cause is on standard
         error), or another program is using it
    5    programmed, but the card reports another firmware version than
         --expect-version
    6    the command ran, but its results could not all be written to
         standard output (closed or full), or the simulated card's state
         could not be written
    128+N
         stopped by signal N (SIGINT 130, SIGTERM 143, SIGHUP 129, SIGQUIT
         131): the wait ends at once, the card is let go, and standard error
         says what the card was left holding
    With --device all, the highest status of the cards; a card whose run
    could not be started counts as 1, one a signal ended as 128+N, and
    results that could not be written as 6.

CAPTURES
    --capture FILE writes a pcapng file, whole after every packet: one
    interface per card, named by its PCI address; each frame one packet out,
    each reply (the bytes read after one frame, drained ones marked in a
    comment "drained: 0-2") one packet in; events without bytes (give-up,
    time-out, card lost, interrupted) as empty packets whose comment says
    what happened. The link type is LINKTYPE_USER7 (154). Wireshark and
    tshark decode it with the kovex dissector installed with kovexctl.
    --sim-replay FILE answers the same commands as the capture did, so a
    field capture becomes a test: the same output and exit status.

JSON
    --json prints one object per command (per card with --device all), on
    every path, usage errors included:
      {"command": "version", "args": [], "device": "0000:03:07.0", "exit": 0,
       "values": {...}, "log": [...], "errors": [{"code": ..., "text": ...}]}
    "exit" is the exit status; "log" the lines the window would log; "errors"
    every line shown on standard error, each with the code of how the command
    ended (usage, refused, no_card, in_use, silent, keeps_sending, timed_out,
    lost, absent, not_running, declined, interrupted, version_mismatch; with --device all
    not_run or killed for a card whose run could not start or was ended by a
    signal; note when it was done). "values", by command: list: devices [{address, ids, card, chosen}];
    version: firmware_version; mode: mode, mode_name (run, boot or null);
    mode run|boot, clear-buffer: responded; poll-speed: poll_speed;
    poll-list get: mode, poll_list, node_status (run mode; null for a node
    255), last_entry_unread; poll-list set: poll_list (the ending 0
    included); send: sent (the frame's bytes); messages: messages (each an
    array of bytes), with --follow received (the count) when it fails; loopback: packets_sent, packets_received; program: lines,
    first_address, last_address, firmware_version, mode. Numbers are numbers,
    texts are UTF-8.

EXAMPLES
    kovexctl --sim version
    kovexctl poll-list set 10 12
    kovexctl send "10 0 7"
    kovexctl program firmware.hex --device 0000:03:07.0 --expect-version "KOVEX 2.15"
    kovexctl --device all --yes program firmware.hex
    kovexctl --json mode
    kovexctl --sim --capture run.pcapng program firmware.hex
    kovexctl --sim-replay run.pcapng program firmware.hex
    kovexctl messages --follow --count 5 --json
    kovexctl --sim --sim-state card.state poll-list set 10 12
    kovexctl --sim --sim-cards 3 --sim-fault 0000:02:00.0=silent --device all loopback
)";
}

}  // namespace kovex
