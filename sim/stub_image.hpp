#pragma once
// Stand-ins for the carried library and driver images on the simulated machine: the bytes of
// a PE header for the given processor, padded to the given size with a fill byte.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace qz::sim {

inline constexpr std::uint16_t kImageX86 = 0x14C;
inline constexpr std::uint16_t kImageX64 = 0x8664;

inline std::vector<std::uint8_t> StubImage(std::uint16_t machine, std::size_t size,
                                           std::uint8_t fill = 0) {
  std::vector<std::uint8_t> image(size < 0x80 ? 0x80 : size, fill);
  image[0] = 'M';
  image[1] = 'Z';
  image[0x3C] = 0x40;
  image[0x3D] = image[0x3E] = image[0x3F] = 0;
  image[0x40] = 'P';
  image[0x41] = 'E';
  image[0x42] = image[0x43] = 0;
  image[0x44] = static_cast<std::uint8_t>(machine);
  image[0x45] = static_cast<std::uint8_t>(machine >> 8);
  return image;
}

}  // namespace qz::sim
