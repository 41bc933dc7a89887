#pragma once
// The PCI search of the find-device request: functions in bus, device, function order, counted
// by matching vendor and device id, with the regions behind their base address registers sized.
#include <cstdint>

#include "tessel/driver/machine_access.hpp"

namespace qz::tessel {

struct PciFound {
  std::uint8_t header[64];
  std::uint32_t barSizes[6];
  std::uint32_t bus, device, function;
};

// vendorId 0xFFFF matches every function; index 0 is the first match.
bool FindPciFunction(MachineAccess& machine, std::uint16_t vendorId, std::uint16_t deviceId,
                     std::uint32_t index, PciFound& found);

// Size of the region behind one base address register: all ones written, read back, the old
// value restored. 0 for an unimplemented register; 0xFFFFFFFF for a 64-bit region of 4 GiB or
// more.
std::uint32_t SizeBaseAddressRegister(MachineAccess& machine, std::uint32_t bus,
                                      std::uint32_t device, std::uint32_t function,
                                      std::uint32_t offset);

}  // namespace qz::tessel
