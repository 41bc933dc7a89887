#pragma once
// Requests and replies for the driver tests, written field by field at their offsets.
#include <cstdint>
#include <initializer_list>
#include <vector>

#include "platform/little_endian.hpp"

namespace qz::test {

inline std::vector<std::uint8_t> Fields(std::initializer_list<std::uint32_t> fields) {
  std::vector<std::uint8_t> out;
  for (std::uint32_t f : fields) {
    out.resize(out.size() + 4);
    le::Store32(out.data() + out.size() - 4, f);
  }
  return out;
}

inline std::uint32_t At32(const std::vector<std::uint8_t>& b, std::size_t offset) {
  return le::Load32(b.data() + offset);
}

inline std::uint16_t At16(const std::vector<std::uint8_t>& b, std::size_t offset) {
  return le::Load16(b.data() + offset);
}

}  // namespace qz::test
