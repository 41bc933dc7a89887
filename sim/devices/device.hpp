#pragma once
// A device that a simulated program opens by name ("\\.\PhysicalDrive0", "\\.\TESSEL") and
// talks to with DeviceIoControl. The storage stack and simulated drivers implement it and
// decode each request from its bytes.
#include <cstdint>

#include "platform/types.hpp"

namespace qz::sim {

class Device {
 public:
  virtual ~Device() = default;
  // Returns false with the Win32 error in lastError, as the system call does.
  virtual bool Control(std::uint32_t code, ConstBytes in, Bytes out, std::uint32_t& returned,
                       std::uint32_t& lastError) = 0;
  // Whether a process may open it (an access check of the device's security).
  virtual bool CanOpen(bool /*administrator*/) const { return true; }
};

}  // namespace qz::sim
