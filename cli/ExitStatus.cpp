#include "cli/ExitStatus.h"

#include <algorithm>
#include <array>

#include "cli/Interrupt.h"

namespace kovex {
namespace {

struct EndingRow {
    Ending ending;
    int status;
    std::string_view code;
};

constexpr std::array<EndingRow, 12> ENDINGS{{
    {Ending::Done, EXIT_DONE, "done"},
    {Ending::Silent, EXIT_CARD_FAILED, "silent"},
    {Ending::KeepsSending, EXIT_CARD_FAILED, "keeps_sending"},
    {Ending::TimedOut, EXIT_CARD_FAILED, "timed_out"},
    {Ending::Lost, EXIT_CARD_FAILED, "lost"},
    {Ending::Absent, EXIT_CARD_FAILED, "absent"},
    {Ending::NotRunning, EXIT_CARD_FAILED, "not_running"},
    {Ending::Refused, EXIT_USAGE, "refused"},
    {Ending::Declined, EXIT_DECLINED, "declined"},
    {Ending::NoCard, EXIT_NO_CARD, "no_card"},
    {Ending::InUse, EXIT_NO_CARD, "in_use"},
    {Ending::Interrupted, EXIT_SIGNAL_BASE, "interrupted"},
}};

const EndingRow& RowOf(Ending ending) {
    return *std::find_if(ENDINGS.begin(), ENDINGS.end(),
                         [ending](const EndingRow& row) { return row.ending == ending; });
}

}  // namespace

int StatusOf(Ending ending) {
    if (ending == Ending::Interrupted) return EXIT_SIGNAL_BASE + InterruptSignal();
    return RowOf(ending).status;
}

std::string_view CodeOf(Ending ending) {
    return RowOf(ending).code;
}

}  // namespace kovex
