// A mapped BAR that the kernel takes away while the tool runs (the card is
// removed or reset, a driver claims it) turns the next register access into
// SIGBUS. A register access made through the guarded accessors below reports
// the fault to its caller instead; a SIGBUS anywhere else is told on stderr
// in one line and ends the tool, instead of a silent crash.
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

// Installs the SIGBUS handler: it returns into a guarded access that is under
// way on the faulting thread, and otherwise writes BusErrorMessage to stderr
// and ends the process with BusErrorExitStatus(). Returns false if the
// system refused.
bool InstallBusErrorGuard() noexcept;

// One volatile access each; false when it raised SIGBUS (the store then did
// not happen, the load's value is unset). They need InstallBusErrorGuard.
bool GuardedRead8(const volatile std::uint8_t* address, std::uint8_t& value) noexcept;
bool GuardedWrite8(volatile std::uint8_t* address, std::uint8_t value) noexcept;
bool GuardedWrite32(volatile std::uint32_t* address, std::uint32_t value) noexcept;

}  // namespace kovex
