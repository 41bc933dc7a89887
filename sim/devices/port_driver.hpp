#pragma once
// The simulated tesselio.sys: the device "\\.\TESSELIO" answering through the port driver's own
// request handling, over the machine's I/O ports and memory.
#include "sim/devices/device.hpp"
#include "sim/devices/io_ports.hpp"
#include "sim/devices/physical_memory.hpp"
#include "tessel/portio/driver/port_access.hpp"
#include "tessel/portio/driver/port_device.hpp"

namespace qz::sim {

class SimPortAccess final : public portio::PortAccess {
 public:
  SimPortAccess(IoPorts& ports, PhysicalMemory& memory) : ports_(ports), memory_(memory) {}
  virtual ~SimPortAccess() = default;
  std::uint32_t ReadPort(std::uint16_t port, std::uint32_t width) override { return ports_.In(port, width); }
  void WritePort(std::uint16_t port, std::uint32_t width, std::uint32_t value) override {
    ports_.Out(port, width, value);
  }
  bool ReadLowMemoryWord(std::uint32_t address, std::uint16_t& value) override {
    value = static_cast<std::uint16_t>(memory_.Read(address, 2));
    return true;
  }

 private:
  IoPorts& ports_;
  PhysicalMemory& memory_;
};

class SimPortDriver final : public Device {
 public:
  SimPortDriver(IoPorts& ports, PhysicalMemory& memory) : access_(ports, memory), device_(access_) {}
  bool Control(std::uint32_t code, ConstBytes in, Bytes out, std::uint32_t& returned,
               std::uint32_t& lastError) override;
  bool CanOpen(bool administrator) const override { return administrator; }

 private:
  SimPortAccess access_;
  portio::PortDevice device_;
};

}  // namespace qz::sim
