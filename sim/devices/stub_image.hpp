#pragma once
// Stand-ins for the carried library and driver images on the simulated machine: the bytes of
// a PE header for the given processor, padded to the given size with a fill byte. With a
// subsystem, the optional header carries it too (at least 0x100 bytes then).
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/little_endian.hpp"

namespace qz::sim {

inline constexpr std::uint16_t kImageX86 = 0x14C;
inline constexpr std::uint16_t kImageX64 = 0x8664;

inline std::vector<std::uint8_t> StubImage(std::uint16_t machine, std::size_t size,
                                           std::uint8_t fill = 0, std::uint16_t subsystem = 0) {
  const std::size_t least = subsystem != 0 ? 0x100 : 0x80;
  std::vector<std::uint8_t> image(size < least ? least : size, fill);
  image[0] = 'M';
  image[1] = 'Z';
  image[0x3C] = 0x40;
  image[0x3D] = image[0x3E] = image[0x3F] = 0;
  image[0x40] = 'P';
  image[0x41] = 'E';
  image[0x42] = image[0x43] = 0;
  le::Store16(image.data() + 0x44, machine);
  if (subsystem != 0) {
    const bool plus = machine == kImageX64;
    image[0x54] = plus ? 0xF0 : 0xE0;  // SizeOfOptionalHeader
    image[0x55] = 0;
    image[0x58] = 0x0B;                // Magic: 0x10B PE32, 0x20B PE32+
    image[0x59] = plus ? 0x02 : 0x01;
    le::Store16(image.data() + 0x58 + 68, subsystem);
  }
  return image;
}

}  // namespace qz::sim
