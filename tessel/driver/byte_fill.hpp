#pragma once
// Filling request buffers. Kernel-safe: no library calls.
#include <cstdint>

namespace qz::kbytes {

inline void Fill(std::uint8_t* p, std::uint32_t length, std::uint8_t value) {
  for (std::uint32_t i = 0; i < length; ++i) p[i] = value;
}

}  // namespace qz::kbytes
