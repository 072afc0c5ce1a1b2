#include "sysfs/BusErrorGuard.h"

#include <unistd.h>
#include <csetjmp>

#include <array>
#include <atomic>
#include <csignal>
#include <string_view>

namespace kovex {
namespace {

// Where a SIGBUS on this thread returns to while a guarded access runs; null
// otherwise. Only the accessors below and the handler touch it.
thread_local sigjmp_buf* volatile armedLanding = nullptr;

// Runs one access with the landing armed. The accessors are leaf functions
// that hold no object with a destructor, so the jump back from the handler
// crosses no C++ frame. The mask is not saved: the handler runs with SIGBUS
// unblocked (SA_NODEFER), so nothing needs restoring.
template <typename Access>
bool Guarded(Access access) noexcept {
    sigjmp_buf landing;
    if (sigsetjmp(landing, 0) != 0) {
        armedLanding = nullptr;
        return false;
    }
    armedLanding = &landing;
    std::atomic_signal_fence(std::memory_order_seq_cst);
    access();
    std::atomic_signal_fence(std::memory_order_seq_cst);
    armedLanding = nullptr;
    return true;
}

class LineBuilder {
public:
    explicit LineBuilder(std::span<char> out) noexcept : out_(out) {}

    void Append(std::string_view text) noexcept {
        for (const char c : text) {
            if (used_ == out_.size()) return;
            out_[used_++] = c;
        }
    }

    void AppendHex(std::uintptr_t value) noexcept {
        std::array<char, 2 * sizeof(std::uintptr_t)> digits{};
        std::size_t count = 0;
        do {
            digits[count++] = "0123456789abcdef"[value & 0xF];
            value >>= 4;
        } while (value != 0);
        Append("0x");
        while (count > 0)
            Append(std::string_view(&digits[--count], 1));
    }

    std::size_t Used() const noexcept { return used_; }

private:
    std::span<char> out_;
    std::size_t used_ = 0;
};

void OnBusError(int /*signal*/, siginfo_t* info, void* /*context*/) {
    if (sigjmp_buf* const landing = armedLanding) {
        armedLanding = nullptr;
        siglongjmp(*landing, 1);
    }
    std::array<char, 512> line{};
    const std::size_t length =
        BusErrorMessage(line, reinterpret_cast<std::uintptr_t>(info->si_addr));
    // Nothing to do if stderr is gone: the exit status still tells.
    [[maybe_unused]] const ssize_t written = ::write(STDERR_FILENO, line.data(), length);
    ::_exit(BusErrorExitStatus());
}

}  // namespace

std::size_t BusErrorMessage(std::span<char> out, std::uintptr_t address) noexcept {
    LineBuilder line(out);
    line.Append("kovex-programmer: bus error at ");
    line.AppendHex(address);
    line.Append(
        ": the card's registers are no longer reachable (the kernel took the mapping away: "
        "the card was removed or reset, or a driver claimed it). The tool stops now; check "
        "the card with lspci -d 10b5:9030 and start the tool again.\n");
    return line.Used();
}

int BusErrorExitStatus() noexcept {
    return 128 + SIGBUS;
}

bool InstallBusErrorGuard() noexcept {
    struct sigaction action {};
    action.sa_sigaction = OnBusError;
    action.sa_flags = SA_SIGINFO | SA_NODEFER;
    sigemptyset(&action.sa_mask);
    return ::sigaction(SIGBUS, &action, nullptr) == 0;
}

bool GuardedRead8(const volatile std::uint8_t* address, std::uint8_t& value) noexcept {
    std::uint8_t read = 0;
    if (!Guarded([&] { read = *address; })) return false;
    value = read;
    return true;
}

bool GuardedWrite8(volatile std::uint8_t* address, std::uint8_t value) noexcept {
    return Guarded([&] { *address = value; });
}

bool GuardedWrite32(volatile std::uint32_t* address, std::uint32_t value) noexcept {
    return Guarded([&] { *address = value; });
}

}  // namespace kovex
