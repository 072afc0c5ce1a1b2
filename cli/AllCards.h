// --device all: the command on every KOVEX card on the bus at once, one
// process per card (each holds its own card, as a run on one card does),
// then one result line per card in bus order; the exit status is the
// highest of theirs. A card whose run could not be started or waited for,
// or that a signal ended, is reported and counts as failed.
#pragma once

#include <sys/types.h>
#include <unistd.h>

#include <functional>
#include <vector>

#include "cli/CommandLine.h"
#include "cli/ResultOutput.h"
#include "link/PciAddress.h"

namespace kovex {

// Starts a child process as fork does: 0 in the child, its pid in the
// parent, -1 with errno set when none could be started.
using Spawn = std::function<pid_t()>;

// runOne runs the command on the card at the address with its result as one
// line, and returns its exit status; it runs in a child process of its own.
int RunOnEveryCard(const std::vector<PciAddress>& cards, const CommandLine& line,
                   ResultOutput& output, const std::function<int(const PciAddress&)>& runOne,
                   const Spawn& spawn = fork);

}  // namespace kovex
