#pragma once
// The sample firmware image that the simulated drives accept (format in README.md).
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qz::samplefw {

// The layout is sim/devices/sample_image_layout.hpp.
inline constexpr std::size_t kDefaultLength = 262144;

struct SampleFields {
  std::string revision = "VRDC";
  std::string extension = "VRDC-4";
  std::string model = "VORTANIX QRX-480T9A";
  std::size_t length = kDefaultLength;
};

// The image, or nothing (with the reason in `error`) when the fields do not fit the format.
std::optional<std::vector<std::uint8_t>> MakeSampleImage(const SampleFields& fields,
                                                         std::string& error);

// CRC-32 of the image with its CRC field taken as zero.
std::uint32_t ImageCrc(const std::vector<std::uint8_t>& image);

}  // namespace qz::samplefw
