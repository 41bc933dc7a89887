#pragma once
// One listed drive as the main window sees it.
#include <array>
#include <cstdint>

namespace qz {

struct DriveRecord {
  std::array<char, 33> ModelText{};        // model characters 1 to 24
  std::array<char, 9> ModelHead{};         // model characters 1 to 8
  std::array<char, 17> ModelTail{};        // model characters 9 to 24
  std::array<char, 9> FirmwareRevision{};  // 8 characters
  std::array<char, 2> TypeTag{};           // printed with "%.2s"; the scan leaves it empty
  std::int16_t PortNumber = 0;
  std::int16_t TargetId = 0;
  std::int16_t Lun = 0;
  std::int16_t PathId = 0;
  std::uint8_t Present = 0;
  std::uint8_t Eligible = 0;        // the main window's
  std::uint16_t PackageIndex = 0;   // the main window's
  // The command device's list entry this drive came from: a slot's index and its entry's
  // index differ once a disk is left out or the table is reordered.
  std::int32_t DeviceIndex = -1;
};

inline constexpr std::size_t kDriveSlots = 16;
using DriveTable = std::array<DriveRecord, kDriveSlots>;

}  // namespace qz
