#pragma once
// The library's state codes and their texts, searched in table order.
#include <cstdint>

namespace qz::tessel {

inline constexpr std::uint32_t kStateBufferTooSmall = 9997;
inline constexpr std::uint32_t kStateNoDeviceHandle = 9996;
inline constexpr std::uint32_t kStateNoServiceManager = 9998;
inline constexpr std::uint32_t kStateUnexpected = 9999;

inline constexpr std::uint32_t kStateTextSize = 52;

struct StateRow {
  std::uint32_t code;
  char text[kStateTextSize];
};

// The whole table, in its search order; the last row answers every code not in it.
const StateRow* StateTable(std::uint32_t& rows);
const char* StateText(std::uint32_t code);

}  // namespace qz::tessel
