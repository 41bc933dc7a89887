#pragma once
// STORAGE_DEVICE_DESCRIPTOR.BusType values, and the buses whose disks the flasher may flash:
// the drives the updater is made for sit on an ATA or SATA port, or behind a RAID or SCSI
// miniport. A USB disk (the updater never lists one) or a bus that cannot be told is not
// flashed.
#include <stdint.h>

namespace qz::bootflash {

inline constexpr uint32_t kBusUnknown = 0;  // also what a failed query gives
inline constexpr uint32_t kBusScsi = 1;
inline constexpr uint32_t kBusAta = 3;
inline constexpr uint32_t kBusUsb = 7;
inline constexpr uint32_t kBusRaid = 8;
inline constexpr uint32_t kBusSata = 11;

constexpr bool IsFlashableBus(uint32_t bus) {
  return bus == kBusAta || bus == kBusSata || bus == kBusRaid || bus == kBusScsi;
}

}  // namespace qz::bootflash
