// kovexctl's command line: the options before and after the command word,
// the command and its arguments. After "display", --device names the node's
// device; before it, the card's PCI address.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "cli/CardWait.h"
#include "cli/TerminalDisplay.h"
#include "link/PciSysfs.h"

namespace kovex {

enum class SimFault { None, Silent, StuckBusy, Endless };

struct CommandLine {
    bool help = false;
    bool sim = false;
    bool simAtOnce = false;
    SimFault simFault = SimFault::None;
    bool json = false;
    bool yes = false;
    std::optional<PciAddress> device;
    std::optional<CardWaitLimit> waitCard;  // --wait-card [SECONDS]
    std::string sysfsRoot = "/sys";         // where the PCI devices are listed
    DisplayEdits display;
    std::string command;
    std::vector<std::string> args;
};

struct ParsedCommandLine {
    CommandLine line;
    std::string error;  // empty when the line is good
};

ParsedCommandLine ParseCommandLine(const std::vector<std::string>& words);

// The man-style page of --help.
const char* HelpText();

}  // namespace kovex
