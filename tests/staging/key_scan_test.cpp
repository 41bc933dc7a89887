#include "key_scan.hpp"

#include <gtest/gtest.h>

namespace qz::staging {
namespace {

const FirmwareKeyBytes kKey = {0x10, 0x21, 0x32, 0x43, 0x54, 0x65, 0x76, 0x87,
                               0x98, 0xA9, 0xBA, 0xCB, 0xDC, 0xED, 0xFE, 0x0F};

std::vector<std::uint8_t> Filler(std::size_t n) { return std::vector<std::uint8_t>(n, 0xCC); }

TEST(KeyScan, FindsTheWholeKeyAndAnyEightOfItsBytesInARow) {
  std::vector<std::uint8_t> file = Filler(1000);
  EXPECT_FALSE(FindKeyBytes(file, kKey));

  std::copy(kKey.begin(), kKey.end(), file.begin() + 500);
  EXPECT_EQ(*FindKeyBytes(file, kKey), "key bytes 0..15 at file offset 500");

  file = Filler(1000);
  std::copy(kKey.begin() + 8, kKey.end(), file.begin() + 999 - 8);  // ends at the last byte
  EXPECT_EQ(*FindKeyBytes(file, kKey), "key bytes 8..15 at file offset 991");

  // Two halves apart, as folded 32-bit immediates would lie: 7 in a row is not reported.
  file = Filler(1000);
  std::copy(kKey.begin(), kKey.begin() + 7, file.begin() + 10);
  std::copy(kKey.begin() + 7, kKey.end(), file.begin() + 30);
  EXPECT_EQ(*FindKeyBytes(file, kKey), "key bytes 7..14 at file offset 30");
  file[37] = 0;  // leaves 7 key bytes in a row, then one
  EXPECT_FALSE(FindKeyBytes(file, kKey));
}

}  // namespace
}  // namespace qz::staging
