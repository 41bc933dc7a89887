#pragma once
// Little-endian numbers in byte buffers: the one way every layout here (requests, replies,
// registry data, descriptors, images) is read and written. Freestanding and constexpr, so that
// the native flasher and the kernel drivers use it too.
#include <cstdint>

namespace qz::le {

constexpr std::uint16_t Load16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}
constexpr std::uint32_t Load32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
constexpr std::uint64_t Load64(const std::uint8_t* p) {
  return Load32(p) | static_cast<std::uint64_t>(Load32(p + 4)) << 32;
}

constexpr void Store16(std::uint8_t* p, std::uint16_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}
constexpr void Store32(std::uint8_t* p, std::uint32_t v) {
  Store16(p, static_cast<std::uint16_t>(v));
  Store16(p + 2, static_cast<std::uint16_t>(v >> 16));
}
constexpr void Store64(std::uint8_t* p, std::uint64_t v) {
  Store32(p, static_cast<std::uint32_t>(v));
  Store32(p + 4, static_cast<std::uint32_t>(v >> 32));
}

// The low `width` bytes (1 to 4) of a register-sized value, as ports and device memory take
// them.
constexpr std::uint32_t LoadWidth(const std::uint8_t* p, unsigned width) {
  std::uint32_t v = 0;
  for (unsigned i = 0; i < width; ++i) v |= static_cast<std::uint32_t>(p[i]) << (8 * i);
  return v;
}
constexpr void StoreWidth(std::uint8_t* p, unsigned width, std::uint32_t v) {
  for (unsigned i = 0; i < width; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

}  // namespace qz::le
