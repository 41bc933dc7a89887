// The rehearsal takes only a packed updater: anything else is refused with the reason.
#include <gtest/gtest.h>

#include "tests/tools/release_fixture.hpp"
#include "tools/demo/packed_release.hpp"
#include "updater/package_layout.hpp"

namespace qz::demo {
namespace {

std::vector<std::uint8_t> Executable(const std::vector<std::uint8_t>& block) {
  std::vector<std::uint8_t> file = {'M', 'Z'};
  file.resize(4096, 0x11);
  file.insert(file.end(), block.begin(), block.end());
  file.resize(file.size() + 300, 0x22);
  return file;
}

TEST(PackedRelease, ThePackedBlockIsTakenWhole) {
  const auto block = test::SampleRelease();
  std::string error;
  const auto found = PackageBlockOfRelease(Executable(block), error);
  ASSERT_TRUE(found) << error;
  EXPECT_EQ(*found, block);
}

TEST(PackedRelease, WhatIsNotAPackedUpdaterIsRefusedWithTheReason) {
  const PackageBlock shipped = EmbeddedPackageBlock();
  const std::vector<std::uint8_t> unpacked(shipped.bytes().begin(), shipped.bytes().end());
  std::vector<std::uint8_t> truncated = Executable(test::SampleRelease());
  truncated.resize(4096 + pkg::kBlockSize / 2);
  const struct {
    std::vector<std::uint8_t> file;
    const char* says;
  } cases[] = {
      {{}, "MZ"},
      {{'#', '!', '/', 'b'}, "MZ"},
      {std::vector<std::uint8_t>(100000, 'M'), "MZ"},
      {Executable({}), "no package block"},
      {truncated, "no package block"},
      {Executable(unpacked), "unpacked"},
  };
  for (const auto& c : cases) {
    std::string error;
    EXPECT_FALSE(PackageBlockOfRelease(c.file, error)) << c.says;
    EXPECT_NE(error.find(c.says), std::string::npos) << error;
    EXPECT_EQ(error.find('\n'), std::string::npos) << error;
  }
}

}  // namespace
}  // namespace qz::demo
