#include "cli/Interrupt.h"

#include <array>
#include <atomic>
#include <csignal>

namespace kovex {
namespace {

// A signal handler can reach nothing but objects of static storage: the
// signal's number, and the closing flag it raises (a lock-free atomic).
volatile std::sig_atomic_t caught =
    0;                                 // NOLINT(cppcoreguidelines-avoid-non-const-global-variables)
std::atomic<bool>* closing = nullptr;  // NOLINT(cppcoreguidelines-avoid-non-const-global-variables)

constexpr std::array<int, 4> STOPPING_SIGNALS{SIGINT, SIGTERM, SIGHUP, SIGQUIT};

void NoteSignal(int signal) {
    caught = signal;
    if (closing != nullptr) closing->store(true, std::memory_order_relaxed);
}

}  // namespace

void InstallInterruptHandler(AppState& state) {
    static_assert(std::atomic<bool>::is_always_lock_free);
    closing = &state.Closing;
    struct sigaction action {};
    action.sa_handler = NoteSignal;
    sigemptyset(&action.sa_mask);
    for (const int signal : STOPPING_SIGNALS)
        sigaction(signal, &action, nullptr);
}

void IgnoreBrokenPipe() {
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGPIPE, &ignore, nullptr);
}

bool Interrupted() {
    return caught != 0;
}

int InterruptSignal() {
    return caught;
}

void ForwardInterrupt(int pid) {
    if (caught != 0 && pid > 0) kill(pid, caught);
}

}  // namespace kovex
