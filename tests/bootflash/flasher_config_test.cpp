#include "bootflash/flasher_config.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "config_bytes.hpp"

namespace qz::bootflash {
namespace {

using testing::Built32;
using testing::Built64;

std::string Built(const FlasherConfigLayout& layout) {
  std::vector<std::uint8_t> bytes(layout.size + 8, 0xEE);
  BuildFlasherConfig(layout, bytes.data());
  EXPECT_EQ(bytes[layout.size], 0xEE) << "wrote past the block";
  return std::string(bytes.begin(), bytes.begin() + static_cast<long>(layout.size));
}

std::string Text(const std::uint8_t* p, std::size_t n) { return std::string(p, p + n); }

TEST(FlasherConfig, BuiltBytesOfBothLayouts) {
  ASSERT_EQ(Built32().size(), 272u);
  ASSERT_EQ(Built64().size(), 288u);
  EXPECT_EQ(Built(kFlasherConfig32), Built32());
  EXPECT_EQ(Built(kFlasherConfig64), Built64());
  // Spot checks at the published offsets.
  const std::string b64 = Built64();
  EXPECT_EQ(b64.substr(24, 12), "UPDATEBOOT=0");
  EXPECT_EQ(b64.substr(96 + 5 * 32, 8), "VENDID6=");
  EXPECT_EQ(Built32().substr(80 + 5 * 32 + 8, 24), "N/A" + testing::Blanks(21));
}

TEST(FlasherConfig, ThisBuildCarriesItsLayoutAsInitializedData) {
  const std::string expected = sizeof(void*) == 8 ? Built64() : Built32();
  EXPECT_EQ(Text(FlasherConfigBytes(), expected.size()), expected);
}

TEST(FlasherConfig, UnpatchedBlockReadsNoTargetsAndNoBootUpdate) {
  for (const FlasherConfigLayout* layout : {&kFlasherConfig32, &kFlasherConfig64}) {
    const std::string bytes = Built(*layout);
    FlasherSettings s;
    ReadFlasherConfig(reinterpret_cast<const std::uint8_t*>(bytes.data()), *layout, &s);
    EXPECT_FALSE(s.updateBoot);
    EXPECT_TRUE(s.countValid);
    EXPECT_EQ(s.targetCount, 0u);
    EXPECT_EQ(Text(s.revision, 8), testing::Blanks(8));
    EXPECT_EQ(Text(s.extension, 8), testing::Blanks(8));
    for (const std::uint8_t* model : s.models) {
      EXPECT_EQ(Text(model, 24), "N/A" + testing::Blanks(21));
    }
  }
}

TEST(FlasherConfig, ReaderTakesValuesAtFixedPositions) {
  // Values put in by hand at the published offsets of each layout.
  struct Case {
    const FlasherConfigLayout* layout;
    std::string bytes;
    std::size_t flag, revision, extension, count, model3;
  };
  Case cases[] = {{&kFlasherConfig32, Built32(), 31, 40, 56, 75, 80 + 2 * 32 + 8},
                  {&kFlasherConfig64, Built64(), 35, 48, 64, 83, 96 + 2 * 32 + 8}};
  for (Case& c : cases) {
    c.bytes[c.flag] = '1';
    c.bytes.replace(c.revision, 8, "REV12345");
    c.bytes.replace(c.extension, 8, "EXT-6789");
    c.bytes.replace(c.count, 4, "0003");
    c.bytes.replace(c.model3, 24, "MODEL THREE TWENTYFOUR!!");
    FlasherSettings s;
    ReadFlasherConfig(reinterpret_cast<const std::uint8_t*>(c.bytes.data()), *c.layout, &s);
    EXPECT_TRUE(s.updateBoot);
    EXPECT_EQ(Text(s.revision, 8), "REV12345");
    EXPECT_EQ(Text(s.extension, 8), "EXT-6789");
    EXPECT_EQ(Text(s.countDigits, 4), "0003");
    EXPECT_EQ(s.targetCount, 3u);
    EXPECT_EQ(Text(s.models[2], 24), "MODEL THREE TWENTYFOUR!!");
  }
}

TEST(FlasherConfig, TheStagedRevisionIsReadAtFourInBothLayouts) {
  for (const FlasherConfigLayout* layout : {&kFlasherConfig32, &kFlasherConfig64}) {
    std::string bytes = Built(*layout);
    FlasherSettings s;
    ReadFlasherConfig(reinterpret_cast<const std::uint8_t*>(bytes.data()), *layout, &s);
    EXPECT_FALSE(s.revisionStaged);  // as built, or staged by an older updater
    bytes.replace(4, 8, "VRDB0123");
    ReadFlasherConfig(reinterpret_cast<const std::uint8_t*>(bytes.data()), *layout, &s);
    EXPECT_TRUE(s.revisionStaged);
    EXPECT_EQ(Text(s.stagedRevision, 8), "VRDB0123");
    // Any byte of the 16 that is not a blank counts, even past the revision's 8.
    bytes = Built(*layout);
    bytes[19] = 'x';
    ReadFlasherConfig(reinterpret_cast<const std::uint8_t*>(bytes.data()), *layout, &s);
    EXPECT_TRUE(s.revisionStaged);
  }
}

TEST(FlasherConfig, CountBeyondTheModelFieldsOrNotDigitsGivesNoTargets) {
  for (const char* digits : {"0007", "9999", "00 1", "1   "}) {
    std::string bytes = Built32();
    bytes.replace(75, 4, digits);
    FlasherSettings s;
    ReadFlasherConfig(reinterpret_cast<const std::uint8_t*>(bytes.data()), kFlasherConfig32, &s);
    EXPECT_FALSE(s.countValid) << digits;
    EXPECT_EQ(s.targetCount, 0u) << digits;
  }
}

TEST(FlasherConfig, BootFlagNeedsTheEqualsSignBeforeIt) {
  std::string bytes = Built64();
  bytes[35] = '1';
  bytes[34] = '-';  // the key text no longer ends in '='
  FlasherSettings s;
  ReadFlasherConfig(reinterpret_cast<const std::uint8_t*>(bytes.data()), kFlasherConfig64, &s);
  EXPECT_FALSE(s.updateBoot);
}

TEST(FlasherConfig, LocatedInAnImageByAllItsKeysAtTheirPositions) {
  // A stray key text and a 64-bit block before the real 32-bit one.
  std::string image = std::string(37, 'x') + "KEY=UPDATEBOOT=" + Built64() + "yy" + Built32() + "z";
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(image.data());
  const std::size_t at64 = 37 + 15, at32 = at64 + 288 + 2;
  EXPECT_EQ(LocateFlasherConfig(bytes, image.size(), kFlasherConfig64), static_cast<long>(at64));
  EXPECT_EQ(LocateFlasherConfig(bytes, image.size(), kFlasherConfig32), static_cast<long>(at32));
  // Cut one byte short of the 32-bit block's end: not there.
  EXPECT_EQ(LocateFlasherConfig(bytes, at32 + 271, kFlasherConfig32), -1);
  image[at32 + 80 + 5 * 32 + 6] = '7';  // "VENDID7="
  EXPECT_EQ(LocateFlasherConfig(bytes, image.size(), kFlasherConfig32), -1);
}

}  // namespace
}  // namespace qz::bootflash
