#include "cli/Interrupt.h"

#include <csignal>

namespace kovex {
namespace {

// A signal handler can reach nothing but a flag of static storage.
volatile std::sig_atomic_t interrupted =
    0;  // NOLINT(cppcoreguidelines-avoid-non-const-global-variables)

void RaiseInterruptFlag(int /*signal*/) {
    interrupted = 1;
}

}  // namespace

void InstallInterruptHandler() {
    struct sigaction action {};
    action.sa_handler = RaiseInterruptFlag;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

bool Interrupted() {
    return interrupted != 0;
}

}  // namespace kovex
