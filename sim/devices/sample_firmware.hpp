#pragma once
// Sample firmware images in the format the simulated drives accept (see README.md, "The sample
// firmware image"): the tests' and the demo's stand-in for a real drive's firmware.
#include <cstdint>
#include <string>
#include <vector>

namespace qz::sim {

struct SampleFirmware {
  std::string model = "VORTANIX QRX-480T9A";  // at most 40 characters
  std::string revision = "VRDC";     // at most 7 characters
  std::string extension = "VRDC-4";  // at most 7 characters
  std::uint32_t length = 262144;     // a multiple of 16, at least 0x110
};

std::vector<std::uint8_t> MakeSampleFirmware(const SampleFirmware& sample);

// Recomputes the checksum field after a test has changed an image on purpose.
void ResealSampleFirmware(std::vector<std::uint8_t>& image);

}  // namespace qz::sim
