// A mapped BAR that the kernel takes away while the tool runs (the card is
// removed or reset, a driver claims it) turns the next register access into
// SIGBUS. The guard says so on stderr in one line and ends the tool, instead
// of a silent crash.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace kovex {

// The line the guard writes for a bus error at address, newline included,
// cut to fit out; returns its length. Async-signal-safe: no allocation, no
// locale, no library call.
std::size_t BusErrorMessage(std::span<char> out, std::uintptr_t address) noexcept;

// The exit status of a tool ended by the guard.
int BusErrorExitStatus() noexcept;

// Installs the SIGBUS handler that writes BusErrorMessage to stderr and ends
// the process with BusErrorExitStatus(). Returns false if the system refused.
bool InstallBusErrorGuard() noexcept;

}  // namespace kovex
