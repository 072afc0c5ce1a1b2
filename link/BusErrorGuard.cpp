#include "link/BusErrorGuard.h"

#include <unistd.h>

#include <array>
#include <csignal>
#include <string_view>

namespace kovex {
namespace {

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
    action.sa_flags = SA_SIGINFO;
    sigemptyset(&action.sa_mask);
    return ::sigaction(SIGBUS, &action, nullptr) == 0;
}

}  // namespace kovex
