#include "tools/samplefw/sample_firmware.hpp"

#include <zlib.h>

#include <cstring>

namespace qz::samplefw {

namespace {
void PutText(std::vector<std::uint8_t>& image, std::size_t offset, const std::string& text) {
  std::memcpy(image.data() + offset, text.data(), text.size());
}
void PutU32(std::vector<std::uint8_t>& image, std::size_t offset, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) image[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
}
}  // namespace

std::uint32_t ImageCrc(const std::vector<std::uint8_t>& image) {
  std::vector<std::uint8_t> copy = image;
  if (copy.size() >= kCrc + 4) PutU32(copy, kCrc, 0);
  uLong crc = crc32(0L, Z_NULL, 0);
  crc = crc32(crc, copy.data(), static_cast<uInt>(copy.size()));
  return static_cast<std::uint32_t>(crc);
}

std::optional<std::vector<std::uint8_t>> MakeSampleImage(const SampleFields& fields,
                                                         std::string& error) {
  if (fields.revision.empty() || fields.revision.size() > 7) {
    error = "revision: 1 to 7 characters";
    return std::nullopt;
  }
  if (fields.extension.size() > 7) {
    error = "extension: at most 7 characters";
    return std::nullopt;
  }
  if (fields.model.size() > kModelSize) {
    error = "model: at most 40 characters";
    return std::nullopt;
  }
  if (fields.length < 0x110 || fields.length % 16 != 0 || fields.length > 0xFFFFFFFFu) {
    error = "length: a multiple of 16 of at least 272 bytes";
    return std::nullopt;
  }
  std::vector<std::uint8_t> image(fields.length, 0);
  PutText(image, kMagic, "QZSIMFW");
  PutText(image, kRevision, fields.revision);
  PutText(image, kExtension, fields.extension);
  PutText(image, kModel, fields.model);
  PutU32(image, kLength, static_cast<std::uint32_t>(fields.length));
  PutText(image, kMarker, "ssdbinv");
  // Filler that is not all zero, so that a cipher or a copy that drops bytes shows.
  std::uint32_t state = 0x2545F491u;
  for (std::size_t i = kHeaderEnd; i < image.size(); ++i) {
    state = state * 1664525u + 1013904223u;
    image[i] = static_cast<std::uint8_t>(state >> 24);
  }
  PutU32(image, kCrc, ImageCrc(image));
  return image;
}

}  // namespace qz::samplefw
