#include "sim/devices/port_driver.hpp"

#include "sim/devices/kernel_device.hpp"

namespace qz::sim {

bool SimPortDriver::Control(std::uint32_t code, ConstBytes in, Bytes out, std::uint32_t& returned,
                            std::uint32_t& lastError) {
  return BufferedRequest(
      [&](std::uint8_t* buffer, std::uint32_t inLength, std::uint32_t outLength) {
        return device_.Handle(code, buffer, inLength, outLength);
      },
      in, out, returned, lastError);
}

}  // namespace qz::sim
