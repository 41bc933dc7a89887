#pragma once
// The kernel drivers of the two register-access libraries on the simulated machine: starting
// the service "tessel" or "tesselio" loads its image (which must exist and be built for the
// machine's processor) and creates its device; stopping it removes the device.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace qz::sim {

class Machine;
class SimTesselDriver;
class SimPortDriver;

// The processor an executable image is built for (0x14C x86, 0x8664 x64), 0 when not an image.
std::uint16_t ImageProcessor(const std::vector<std::uint8_t>& image);

class AccessDrivers {
 public:
  explicit AccessDrivers(Machine& machine);

  // The running drivers (null while stopped).
  std::shared_ptr<SimTesselDriver> tessel;
  std::shared_ptr<SimPortDriver> port;

  // Where a service's binary path points on this machine's disk.
  std::string ImageFile(const std::string& binaryPath) const;
  // Win32 error of loading this image: 0, 2 (missing) or 193 (not a driver for this processor).
  std::uint32_t CheckImage(const std::string& binaryPath) const;

 private:
  Machine& machine_;
};

}  // namespace qz::sim
