// The card mailbox in BAR 2: a data byte and a status byte.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kovex {

inline constexpr std::size_t DATA_REGISTER_OFFSET = 0;
inline constexpr std::size_t STATUS_REGISTER_OFFSET = 2;

inline constexpr std::uint8_t TX_BUSY = 0x01;
inline constexpr std::uint8_t RX_EMPTY = 0x02;
inline constexpr std::uint8_t NO_MESSAGE = 0x08;
// A status register that reads all ones has no card behind it.
inline constexpr std::uint8_t ABSENT_STATUS = 0xFF;

inline constexpr std::uint8_t MODE_RUN = 0x66;
inline constexpr std::uint8_t MODE_BOOT = 0x99;

}  // namespace kovex
