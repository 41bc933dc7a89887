#pragma once
// What the port driver needs of the machine: I/O port access and the BIOS data area.
#include <cstdint>

namespace qz::portio {

class PortAccess {
 public:
  virtual std::uint32_t ReadPort(std::uint16_t port, std::uint32_t width) = 0;
  virtual void WritePort(std::uint16_t port, std::uint32_t width, std::uint32_t value) = 0;
  // A 16-bit word of physical memory below 1 MiB (the BIOS data area).
  virtual bool ReadLowMemoryWord(std::uint32_t address, std::uint16_t& value) = 0;

 protected:
  ~PortAccess() = default;
};

}  // namespace qz::portio
