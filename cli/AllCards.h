// --device all: the command on every KOVEX card on the bus at once, one
// process per card (each holds its own card, as a run on one card does),
// then one result line per card in bus order; the exit status is the
// highest of theirs.
#pragma once

#include <functional>
#include <vector>

#include "cli/ResultOutput.h"
#include "link/PciSysfs.h"

namespace kovex {

// runOne runs the command on the card at the address with its result as one
// line, and returns its exit status; it runs in a child process of its own.
int RunOnEveryCard(const std::vector<PciAddress>& cards, bool json, ResultOutput& output,
                   const std::function<int(const PciAddress&)>& runOne);

}  // namespace kovex
