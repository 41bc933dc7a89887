// The sample firmware image, checked against the documented format with a CRC-32 computed
// here bit by bit (not by the library the generator uses).
#include <gtest/gtest.h>

#include <cstring>

#include "platform/little_endian.hpp"
#include "tools/samplefw/sample_firmware.hpp"

namespace qz::samplefw {
namespace {

std::uint32_t Crc32Bitwise(const std::vector<std::uint8_t>& data) {
  std::uint32_t crc = 0xFFFFFFFFu;
  for (std::uint8_t byte : data) {
    crc ^= byte;
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

std::uint32_t U32(const std::vector<std::uint8_t>& b, std::size_t at) {
  return le::Load32(b.data() + at);
}

std::string Field(const std::vector<std::uint8_t>& b, std::size_t at, std::size_t size) {
  return std::string(reinterpret_cast<const char*>(b.data() + at), size);
}

TEST(SampleFirmware, DefaultImageFollowsTheFormat) {
  std::string error;
  const auto image = MakeSampleImage({}, error);
  ASSERT_TRUE(image) << error;
  ASSERT_EQ(image->size(), 262144u);
  EXPECT_EQ(Field(*image, 0x000, 8), std::string("QZSIMFW\0", 8));
  EXPECT_EQ(Field(*image, 0x008, 8), std::string("VRDC\0\0\0\0", 8));
  EXPECT_EQ(Field(*image, 0x010, 8), std::string("VRDC-4\0\0", 8));
  EXPECT_EQ(Field(*image, 0x018, 40), "VORTANIX QRX-480T9A" + std::string(21, '\0'));
  EXPECT_EQ(U32(*image, 0x040), 262144u);
  EXPECT_EQ(Field(*image, 0x100, 7), "ssdbinv");
  auto zeroed = *image;
  std::memset(zeroed.data() + 0x44, 0, 4);
  EXPECT_EQ(U32(*image, 0x044), Crc32Bitwise(zeroed));
  EXPECT_EQ(ImageCrc(*image), U32(*image, 0x044));
}

TEST(SampleFirmware, OtherRevisionsAndLengths) {
  std::string error;
  const auto image = MakeSampleImage({"VRDD", "VRDD-5", "OTHER MODEL", 4096}, error);
  ASSERT_TRUE(image) << error;
  EXPECT_EQ(image->size(), 4096u);
  EXPECT_EQ(U32(*image, 0x040), 4096u);
  EXPECT_EQ(Field(*image, 0x008, 5), std::string("VRDD\0", 5));
  auto zeroed = *image;
  std::memset(zeroed.data() + 0x44, 0, 4);
  EXPECT_EQ(U32(*image, 0x044), Crc32Bitwise(zeroed));
}

TEST(SampleFirmware, RefusesWhatTheFormatCannotHold) {
  std::string error;
  EXPECT_FALSE(MakeSampleImage({"VRDC1234", "E", "M", 4096}, error));
  EXPECT_FALSE(MakeSampleImage({"", "E", "M", 4096}, error));
  EXPECT_FALSE(MakeSampleImage({"R", "EXT-1234", "M", 4096}, error));
  EXPECT_FALSE(MakeSampleImage({"R", "E", std::string(41, 'M'), 4096}, error));
  EXPECT_FALSE(MakeSampleImage({"R", "E", "M", 4100}, error));
  EXPECT_FALSE(MakeSampleImage({"R", "E", "M", 256}, error));
  EXPECT_TRUE(MakeSampleImage({"R", "E", std::string(40, 'M'), 272}, error));
}

}  // namespace
}  // namespace qz::samplefw
