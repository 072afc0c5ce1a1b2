// How kovexctl's run ended, as its exit status and as the code of its JSON
// errors: one table from the command's outcome, plus the ends that are
// kovexctl's own (bad usage, another firmware version than expected,
// results that could not be written, a signal).
#pragma once

#include <string_view>

#include "seam/Outcome.h"

namespace kovex {

enum ExitStatus : int {
    EXIT_DONE = 0,
    EXIT_CARD_FAILED = 1,
    EXIT_USAGE = 2,
    EXIT_DECLINED = 3,
    EXIT_NO_CARD = 4,
    EXIT_VERSION_MISMATCH = 5,
    EXIT_OUTPUT_FAILED = 6,
    EXIT_SIGNAL_BASE = 128,
};

inline constexpr std::string_view USAGE_CODE = "usage";
inline constexpr std::string_view VERSION_MISMATCH_CODE = "version_mismatch";
inline constexpr std::string_view NOTE_CODE = "note";

// The status of a command that ended so; Interrupted is 128 + the signal.
int StatusOf(Ending ending);
// "silent", "in_use", ...; "done" for Done.
std::string_view CodeOf(Ending ending);

}  // namespace kovex
