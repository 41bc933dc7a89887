#pragma once
// The drive manager's table of 16 slots: made-up ports for unknown addresses and the order
// by SCSI address.
#include <cstddef>
#include <cstdint>

#include "discovery/drive_record.hpp"

namespace qz {

// The ordering key of a slot's SCSI address.
constexpr std::int32_t AddressKey(const DriveRecord& r) {
  return r.PortNumber * 4096 + r.PathId * 256 + r.TargetId * 16 + r.Lun;
}
inline constexpr std::int32_t kKeyLimit = 65535;

// Slots among the first `examined` whose port is -1 get the ports after the largest one
// seen (at least 0), in slot order.
void AssignUnknownPorts(DriveTable& table, std::size_t examined);

// Rebuilds the table in address order: present slots whose key is below the limit, the
// earlier slot first on equal keys. Slots with larger keys are left out.
void OrderByAddress(DriveTable& table);

}  // namespace qz
