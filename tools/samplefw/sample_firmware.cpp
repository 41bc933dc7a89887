#include "tools/samplefw/sample_firmware.hpp"

#include "platform/little_endian.hpp"
#include "sim/devices/sample_firmware.hpp"
#include "sim/devices/sample_image_layout.hpp"

namespace qz::samplefw {

std::uint32_t ImageCrc(const std::vector<std::uint8_t>& image) {
  using sim::sample_image::kCrcAt;
  if (image.size() < kCrcAt + sim::sample_image::kCrcSize) return 0;
  std::vector<std::uint8_t> copy = image;
  sim::ResealSampleFirmware(copy);
  return le::Load32(copy.data() + kCrcAt);
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
  if (fields.model.size() > sim::sample_image::kModelSize) {
    error = "model: at most 40 characters";
    return std::nullopt;
  }
  if (fields.length < sim::sample_image::kMinLength ||
      fields.length % sim::sample_image::kLengthUnit != 0 || fields.length > 0xFFFFFFFFu) {
    error = "length: a multiple of 16 of at least 272 bytes";
    return std::nullopt;
  }
  // The simulated drives' own generator: one definition of the format.
  return sim::MakeSampleFirmware({fields.model, fields.revision, fields.extension,
                                  static_cast<std::uint32_t>(fields.length)});
}

}  // namespace qz::samplefw
