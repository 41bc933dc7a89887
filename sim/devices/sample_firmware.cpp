#include "sim/devices/sample_firmware.hpp"

#include <algorithm>

#include <zlib.h>

#include "platform/little_endian.hpp"
#include "sim/devices/sample_image_layout.hpp"

namespace qz::sim {
namespace {

void PutText(std::vector<std::uint8_t>& image, std::size_t at, std::size_t width,
             const std::string& text) {
  for (std::size_t i = 0; i < width; ++i) {
    image[at + i] = i < text.size() ? static_cast<std::uint8_t>(text[i]) : 0;
  }
}

}  // namespace

void ResealSampleFirmware(std::vector<std::uint8_t>& image) {
  le::Store32(image.data() + sample_image::kCrcAt, 0);
  const auto crc = crc32(crc32(0L, Z_NULL, 0), image.data(), static_cast<uInt>(image.size()));
  le::Store32(image.data() + sample_image::kCrcAt, static_cast<std::uint32_t>(crc));
}

std::vector<std::uint8_t> MakeSampleFirmware(const SampleFirmware& sample) {
  using namespace sample_image;
  std::vector<std::uint8_t> image(sample.length, 0);
  // Filler that looks like code: varied bytes, no accidental marker texts.
  std::uint32_t seed = 0x2545F491u;
  for (std::size_t i = kHeaderEnd; i < image.size(); ++i) {
    seed = seed * 1664525u + 1013904223u;
    image[i] = static_cast<std::uint8_t>(0x80 | (seed >> 24));
  }
  PutText(image, kMagicAt, kMagic.size(), std::string(kMagic));
  PutText(image, kRevisionAt, kRevisionSize, sample.revision.substr(0, kRevisionSize - 1));
  PutText(image, kExtensionAt, kRevisionSize, sample.extension.substr(0, kRevisionSize - 1));
  PutText(image, kModelAt, kModelSize, sample.model.substr(0, kModelSize));
  le::Store32(image.data() + kLengthAt, sample.length);
  std::copy(kMarker.begin(), kMarker.end(), image.begin() + kMarkerAt);
  ResealSampleFirmware(image);
  return image;
}

}  // namespace qz::sim
