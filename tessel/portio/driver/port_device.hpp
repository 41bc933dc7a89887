#pragma once
// The port driver's request handling (the device "TESSELIO"), kernel-safe like the physical-
// access driver's.
#include <cstdint>

#include "tessel/driver/status.hpp"
#include "tessel/portio/driver/port_access.hpp"

namespace qz::portio {

class PortDevice {
 public:
  constexpr explicit PortDevice(PortAccess& machine) : machine_(machine) {}
  kstatus::Reply Handle(std::uint32_t code, std::uint8_t* buffer, std::uint32_t inLength,
                        std::uint32_t outLength);

 private:
  PortAccess& machine_;
};

}  // namespace qz::portio
