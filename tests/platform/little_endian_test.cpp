#include "platform/little_endian.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>

namespace qz {
namespace {

// The kernel drivers and the native flasher have no run-time library: the helpers must work
// at compile time too.
constexpr std::uint32_t kAtCompileTime = [] {
  std::uint8_t b[4] = {};
  le::Store32(b, 0xA1B2C3D4u);
  return le::Load32(b);
}();
static_assert(kAtCompileTime == 0xA1B2C3D4u);

// Each row's bytes read back as the number, and the number written gives the bytes; the bytes
// after the field (0xEE) stay untouched.
TEST(LittleEndian, NumbersAndTheirBytesAgreeBothWays) {
  struct Case {
    const char* name;
    int width;  // 2, 4 or 8
    std::uint64_t value;
    std::array<std::uint8_t, 8> bytes;
  } cases[] = {
      {"16-bit, low byte first", 2, 0x1234, {0x34, 0x12}},
      {"16-bit, top bit set", 2, 0x80FF, {0xFF, 0x80}},
      {"32-bit, low byte first", 4, 0x12345678, {0x78, 0x56, 0x34, 0x12}},
      {"32-bit, top bit set", 4, 0xF0000001u, {0x01, 0x00, 0x00, 0xF0}},
      {"32-bit, all ones", 4, 0xFFFFFFFFu, {0xFF, 0xFF, 0xFF, 0xFF}},
      {"64-bit, halves in order", 8, 0x0123456789ABCDEFull, {0xEF, 0xCD, 0xAB, 0x89, 0x67, 0x45, 0x23, 0x01}},
      {"64-bit, top bit of the high half", 8, 0x8000000000000080ull, {0x80, 0, 0, 0, 0, 0, 0, 0x80}},
  };
  for (const Case& c : cases) {
    const auto w = static_cast<std::size_t>(c.width);
    std::uint64_t read = 0;
    std::array<std::uint8_t, 10> written;
    written.fill(0xEE);
    switch (c.width) {
      case 2:
        read = le::Load16(c.bytes.data());
        le::Store16(written.data(), static_cast<std::uint16_t>(c.value));
        break;
      case 4:
        read = le::Load32(c.bytes.data());
        le::Store32(written.data(), static_cast<std::uint32_t>(c.value));
        break;
      default:
        read = le::Load64(c.bytes.data());
        le::Store64(written.data(), c.value);
    }
    EXPECT_EQ(read, c.value) << c.name;
    for (std::size_t i = 0; i < written.size(); ++i) {
      EXPECT_EQ(written[i], i < w ? c.bytes[i] : 0xEE) << c.name << ", byte " << i;
    }
  }
}

// Register-sized accesses of 1 to 4 bytes: only the low bytes of the value, and only `width`
// bytes of the buffer.
TEST(LittleEndian, RegisterWidthsTouchOnlyTheirBytes) {
  const std::uint8_t bytes[4] = {0x11, 0x22, 0x33, 0x84};
  struct Case {
    unsigned width;
    std::uint32_t value;
  } cases[] = {{1, 0x11}, {2, 0x2211}, {3, 0x332211}, {4, 0x84332211u}};
  for (const Case& c : cases) {
    EXPECT_EQ(le::LoadWidth(bytes, c.width), c.value) << c.width;
    std::uint8_t written[5] = {0xEE, 0xEE, 0xEE, 0xEE, 0xEE};
    le::StoreWidth(written, c.width, 0x84332211u);
    for (unsigned i = 0; i < 5; ++i) {
      EXPECT_EQ(written[i], i < c.width ? bytes[i] : 0xEE) << c.width << ", byte " << i;
    }
  }
}

}  // namespace
}  // namespace qz
