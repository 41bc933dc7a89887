#include "bootflash/image_field.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "config_bytes.hpp"

namespace qz::bootflash {
namespace {

using testing::Blanks;

// A flasher image: code-like bytes, the block at `at`, more bytes after it.
struct Image {
  std::vector<std::uint8_t> bytes;
  std::size_t at;

  Image(const std::string& block, std::size_t before = 300, std::size_t after = 200) : at(before) {
    for (std::size_t i = 0; i < before; ++i) bytes.push_back(static_cast<std::uint8_t>(i * 13));
    bytes.insert(bytes.end(), block.begin(), block.end());
    for (std::size_t i = 0; i < after; ++i) bytes.push_back(static_cast<std::uint8_t>(i * 7));
  }
  std::string Block(std::size_t size) const {
    return std::string(bytes.begin() + static_cast<long>(at),
                       bytes.begin() + static_cast<long>(at + size));
  }
  PatchResult Patch(const char* key, const char* value) {
    return PatchImageField(bytes.data(), bytes.size(), key, value);
  }
};

const char kModel[] = "VORTANIX QRX-480T9A     ";  // 24 characters

void PatchAsTheUpdaterDoes(Image& image) {
  ASSERT_EQ(image.Patch("UPDATEBOOT=", "1"), PatchResult::kWritten);
  ASSERT_EQ(image.Patch("_____FW=", "VRDC"), PatchResult::kWritten);
  ASSERT_EQ(image.Patch("_FW_EXT=", "VRDC-4"), PatchResult::kWritten);
  ASSERT_EQ(image.Patch("DRIVECOUNT=", "0001"), PatchResult::kWritten);
  ASSERT_EQ(image.Patch("VENDID1=", kModel), PatchResult::kWritten);
}

TEST(PatchImageField, BothLayoutsGetTheSameFieldsAndKeepTheirGaps) {
  Image image32(testing::Built32());
  Image image64(testing::Built64());
  PatchAsTheUpdaterDoes(image32);
  PatchAsTheUpdaterDoes(image64);

  std::string expected32 = testing::Built32();
  expected32[31] = '1';
  expected32.replace(40, 8, "VRDC" + Blanks(4));  // 4 characters leave 4 blanks
  expected32.replace(56, 8, "VRDC-4" + Blanks(2));
  expected32.replace(75, 4, "0001");
  expected32.replace(88, 24, kModel);
  EXPECT_EQ(image32.Block(272), expected32);

  std::string expected64 = testing::Built64();
  expected64[35] = '1';
  expected64.replace(48, 8, "VRDC" + Blanks(4));
  expected64.replace(64, 8, "VRDC-4" + Blanks(2));
  expected64.replace(83, 4, "0001");
  expected64.replace(104, 24, kModel);
  EXPECT_EQ(image64.Block(288), expected64);  // NUL gaps and VENDID2..6 as built

  // Bytes around the block are untouched.
  Image fresh(testing::Built64());
  EXPECT_TRUE(std::equal(image64.bytes.begin(), image64.bytes.begin() + 300, fresh.bytes.begin()));
  EXPECT_TRUE(std::equal(image64.bytes.end() - 200, image64.bytes.end(), fresh.bytes.end() - 200));
}

TEST(PatchImageField, OnlyTheFirstOccurrenceIsWritten) {
  // The same key twice: the block, then a second copy of it.
  Image image(testing::Built32() + testing::Built32(), 50, 10);
  ASSERT_EQ(image.Patch("_____FW=", "NEWREV"), PatchResult::kWritten);
  std::string expected = testing::Built32() + testing::Built32();
  expected.replace(40, 8, "NEWREV  ");
  EXPECT_EQ(image.Block(544), expected);
}

TEST(PatchImageField, AbsentKeyLeavesTheImageAlone) {
  Image image(std::string(100, 'x'));
  const auto before = image.bytes;
  EXPECT_EQ(image.Patch("_____FW=", "VRDC"), PatchResult::kKeyAbsent);
  EXPECT_EQ(image.bytes, before);
}

TEST(PatchImageField, RefusalsLeaveTheImageByteIdentical) {
  struct Case {
    const char* key;
    const char* value;
    PatchResult result;
  };
  const Case cases[] = {
      {"_____FW=", "123456789", PatchResult::kValueTooLong},
      {"_FW_EXT=", "EXTENSION", PatchResult::kValueTooLong},
      {"VENDID1=", "VORTANIX QRX-480T9A      X", PatchResult::kValueTooLong},
      {"VENDID6=", "0123456789012345678901234", PatchResult::kValueTooLong},
      {"DRIVECOUNT=", "0007", PatchResult::kBadCount},
      {"DRIVECOUNT=", "9999", PatchResult::kBadCount},
      {"DRIVECOUNT=", "1", PatchResult::kBadCount},  // would read "1000"
      {"DRIVECOUNT=", "00001", PatchResult::kBadCount},
      {"DRIVECOUNT=", "0x01", PatchResult::kBadCount},
      {"UPDATEBOOT=", "2", PatchResult::kBadFlag},
      {"UPDATEBOOT=", "10", PatchResult::kBadFlag},
      {"UPDATEBOOT=", "", PatchResult::kBadFlag},
      {"KEY=", "VRDB-1234", PatchResult::kValueTooLong},  // half of its field at most
      {"VENDID7=", "X", PatchResult::kUnknownKey},
      {"_____FW", "X", PatchResult::kUnknownKey},
      {nullptr, "X", PatchResult::kBadArgument},
      {"_____FW=", nullptr, PatchResult::kBadArgument},
  };
  for (const Case& c : cases) {
    for (const std::string& block : {testing::Built32(), testing::Built64()}) {
      Image image(block);
      const auto before = image.bytes;
      EXPECT_EQ(image.Patch(c.key, c.value), c.result) << (c.key ? c.key : "null");
      EXPECT_EQ(image.bytes, before) << (c.key ? c.key : "null");
    }
  }
  // The largest accepted values.
  Image image(testing::Built32());
  EXPECT_EQ(image.Patch("DRIVECOUNT=", "0006"), PatchResult::kWritten);
  EXPECT_EQ(image.Patch("VENDID6=", "012345678901234567890123"), PatchResult::kWritten);
  EXPECT_EQ(image.Patch("_____FW=", "12345678"), PatchResult::kWritten);
  EXPECT_EQ(image.Patch("KEY=", "VRDB    "), PatchResult::kWritten);
}

TEST(PatchImageField, FieldRunningPastTheImageEndIsRefused) {
  std::string cut = testing::Built32().substr(0, 44);  // ends 4 bytes into the revision
  Image image(cut, 10, 0);
  const auto before = image.bytes;
  EXPECT_EQ(image.Patch("_____FW=", "ABCDEFG"), PatchResult::kNoRoom);
  EXPECT_EQ(image.bytes, before);
  EXPECT_EQ(image.Patch("_____FW=", "ABCD"), PatchResult::kWritten);
  EXPECT_EQ(std::string(image.bytes.end() - 4, image.bytes.end()), "ABCD");
  // A key cut off by the end of the image does not match.
  Image partial(std::string("xx_____F"), 0, 0);
  EXPECT_EQ(partial.Patch("_____FW=", "A"), PatchResult::kKeyAbsent);
}

TEST(PatchImageFields, AllOrNothing) {
  Image image(testing::Built64());
  const auto before = image.bytes;
  const ImageField fields[] = {{"UPDATEBOOT=", "1"},
                               {"_____FW=", "VRDC"},
                               {"DRIVECOUNT=", "0009"},
                               {"VENDID1=", kModel}};
  std::size_t failed = 99;
  EXPECT_EQ(PatchImageFields(image.bytes.data(), image.bytes.size(), fields, 4, &failed),
            PatchResult::kBadCount);
  EXPECT_EQ(failed, 2u);
  EXPECT_EQ(image.bytes, before);

  const ImageField missing[] = {{"_____FW=", "VRDC"}, {"_FW_EXT=", "X"}};
  Image noExt(testing::Built64().substr(0, 56));
  const auto noExtBefore = noExt.bytes;
  EXPECT_EQ(PatchImageFields(noExt.bytes.data(), noExt.bytes.size(), missing, 2, &failed),
            PatchResult::kKeyAbsent);
  EXPECT_EQ(failed, 1u);
  EXPECT_EQ(noExt.bytes, noExtBefore);
}

TEST(PatchImageFields, AWrittenValueIsNeverTakenForALaterKey) {
  Image image(testing::Built32());
  // The revision value spells the next key; the extension must still land in its own field.
  const ImageField fields[] = {{"_____FW=", "_FW_EXT="}, {"_FW_EXT=", "EXT"}};
  ASSERT_EQ(PatchImageFields(image.bytes.data(), image.bytes.size(), fields, 2, nullptr),
            PatchResult::kWritten);
  std::string expected = testing::Built32();
  expected.replace(40, 8, "_FW_EXT=");
  expected.replace(56, 3, "EXT");
  EXPECT_EQ(image.Block(272), expected);
}

}  // namespace
}  // namespace qz::bootflash
