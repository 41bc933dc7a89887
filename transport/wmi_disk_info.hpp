#pragma once
// One instance of "Win32_DiskDrive" as discovery keeps it.
#include <array>
#include <cstdint>

namespace qz {

struct WmiDiskInfo {
  std::array<char, 256> DeviceID{};  // ends with "PHYSICALDRIVE" and the disk number
  std::array<char, 256> Caption{};
  std::array<char, 32> InterfaceType{};
  std::array<char, 256> MediaType{};
  std::array<char, 64> Model{};
  std::array<char, 8> FirmwareRevision{};  // no terminator when 8 characters long
  std::array<char, 256> Name{};
  std::int32_t Index = 0;
  std::int32_t Partitions = 0;
  std::int32_t SCSIBus = 0;
  std::int32_t SCSILogicalUnit = 0;
  std::int32_t SCSIPort = 0;
  std::int32_t SCSITargetId = 0;
  std::uint32_t Signature = 0;
  std::uint64_t Size = 0;
  std::uint64_t TotalCylinders = 0;
  std::uint32_t TotalHeads = 0;
  std::uint64_t TotalSectors = 0;
  std::uint64_t TotalTracks = 0;
  std::uint32_t BytesPerSector = 0;
  std::uint32_t SectorsPerTrack = 0;
  std::uint32_t TracksPerCylinder = 0;
};

}  // namespace qz
