#pragma once
// Requests and replies for the driver tests, written field by field at their offsets.
#include <cstdint>
#include <initializer_list>
#include <vector>

namespace qz::test {

inline std::vector<std::uint8_t> Fields(std::initializer_list<std::uint32_t> fields) {
  std::vector<std::uint8_t> out;
  for (std::uint32_t f : fields) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(f >> (8 * i)));
  }
  return out;
}

inline std::uint32_t At32(const std::vector<std::uint8_t>& b, std::size_t offset) {
  return b[offset] | (b[offset + 1] << 8) | (b[offset + 2] << 16) |
         (static_cast<std::uint32_t>(b[offset + 3]) << 24);
}

inline std::uint16_t At16(const std::vector<std::uint8_t>& b, std::size_t offset) {
  return static_cast<std::uint16_t>(b[offset] | (b[offset + 1] << 8));
}

}  // namespace qz::test
