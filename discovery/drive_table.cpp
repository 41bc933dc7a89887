#include "discovery/drive_table.hpp"

#include <algorithm>

namespace qz {

void AssignUnknownPorts(DriveTable& table, std::size_t examined) {
  examined = std::min(examined, table.size());
  std::int32_t next = 0;
  for (std::size_t i = 0; i < examined; ++i) next = std::max<std::int32_t>(next, table[i].PortNumber);
  for (std::size_t i = 0; i < examined; ++i) {
    if (table[i].PortNumber == -1) table[i].PortNumber = static_cast<std::int16_t>(++next);
  }
}

void OrderByAddress(DriveTable& table) {
  DriveTable ordered{};
  std::size_t filled = 0;
  for (std::size_t round = 0; round < kDriveSlots; ++round) {
    std::size_t best = kDriveSlots;
    for (std::size_t i = 0; i < kDriveSlots; ++i) {
      if (!table[i].Present || AddressKey(table[i]) >= kKeyLimit) continue;
      if (best == kDriveSlots || AddressKey(table[i]) < AddressKey(table[best])) best = i;
    }
    if (best == kDriveSlots) break;
    ordered[filled++] = table[best];
    table[best].Present = 0;
  }
  table = ordered;
}

}  // namespace qz
