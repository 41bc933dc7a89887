// The sample firmware image, checked against the documented format with a CRC-32 computed
// here bit by bit (not by the library the generator uses).
#include <gtest/gtest.h>

#include <cstring>

#include "platform/little_endian.hpp"
#include "sim/devices/sample_image_layout.hpp"
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

namespace layout = sim::sample_image;

// The named offsets are the documented ones: the generator and the simulated drives both read
// them, so a constant moved by mistake would agree with itself everywhere but here.
TEST(SampleFirmware, TheLayoutIsTheDocumentedOne) {
  const struct {
    const char* field;
    std::size_t named, documented;
  } rows[] = {
      {"magic", layout::kMagicAt, 0x000},     {"revision", layout::kRevisionAt, 0x008},
      {"extension", layout::kExtensionAt, 0x010}, {"model", layout::kModelAt, 0x018},
      {"model size", layout::kModelSize, 40}, {"revision size", layout::kRevisionSize, 8},
      {"length", layout::kLengthAt, 0x040},   {"CRC", layout::kCrcAt, 0x044},
      {"marker", layout::kMarkerAt, 0x100},   {"filler", layout::kHeaderEnd, 0x107},
  };
  for (const auto& row : rows) EXPECT_EQ(row.named, row.documented) << row.field;
  EXPECT_EQ(layout::kMagic, std::string_view("QZSIMFW\0", 8));
  EXPECT_EQ(layout::kMarker, "ssdbinv");
}

TEST(SampleFirmware, ImagesFollowTheFormat) {
  const struct {
    const char* name;
    SampleFields fields;
    std::string revision, extension, model;  // as the fields' bytes
  } cases[] = {
      {"default", {}, std::string("VRDC\0\0\0\0", 8), std::string("VRDC-4\0\0", 8),
       "VORTANIX QRX-480T9A" + std::string(21, '\0')},
      {"another revision and length", {"VRDD", "VRDD-5", "OTHER MODEL", 4096},
       std::string("VRDD\0\0\0\0", 8), std::string("VRDD-5\0\0", 8), "OTHER MODEL" + std::string(29, '\0')},
  };
  for (const auto& c : cases) {
    std::string error;
    const auto image = MakeSampleImage(c.fields, error);
    ASSERT_TRUE(image) << c.name << ": " << error;
    ASSERT_EQ(image->size(), c.fields.length) << c.name;
    EXPECT_EQ(Field(*image, layout::kMagicAt, 8), std::string("QZSIMFW\0", 8)) << c.name;
    EXPECT_EQ(Field(*image, layout::kRevisionAt, 8), c.revision) << c.name;
    EXPECT_EQ(Field(*image, layout::kExtensionAt, 8), c.extension) << c.name;
    EXPECT_EQ(Field(*image, layout::kModelAt, 40), c.model) << c.name;
    EXPECT_EQ(U32(*image, layout::kLengthAt), c.fields.length) << c.name;
    EXPECT_EQ(Field(*image, layout::kMarkerAt, 7), "ssdbinv") << c.name;
    auto zeroed = *image;
    std::memset(zeroed.data() + layout::kCrcAt, 0, 4);
    EXPECT_EQ(U32(*image, layout::kCrcAt), Crc32Bitwise(zeroed)) << c.name;
    EXPECT_EQ(ImageCrc(*image), U32(*image, layout::kCrcAt)) << c.name;
  }
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
