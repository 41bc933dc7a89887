#pragma once
// What is known of one disk and the device nodes above it: discovery fills it in, the command
// device reads it to reach the disk.
#include <array>
#include <cstdint>
#include <memory>
#include <span>

#include "platform/guid.hpp"
#include "transport/wmi_disk_info.hpp"

namespace qz {

inline constexpr std::size_t kPropertyTextSize = 260;
inline constexpr std::size_t kDevicePathSize = 512;
inline constexpr std::size_t kMaxRanges = 6;

using PropertyText = std::array<char, kPropertyTextSize>;

// One ancestor device node; the chain runs from the disk's parent up to the root.
struct ParentNode {
  Guid ClassGuid;
  PropertyText Driver{};
  PropertyText DeviceDesc{};
  PropertyText DeviceInstanceId{};
  PropertyText FriendlyName{};
  PropertyText Service{};
  std::uint8_t BusNumber = 0, HasBusNumber = 0;
  std::uint8_t PciDevice = 0, HasPciDevice = 0;
  std::uint8_t PciFunction = 0, HasPciFunction = 0;
  std::uint8_t UINumber = 0, HasUINumber = 0;
  std::uint16_t VendorId = 0;
  std::uint16_t DeviceId = 0;
  std::unique_ptr<ParentNode> next;
};

struct MemRange {
  std::uint32_t Base = 0;
  std::uint32_t Length = 0;
};

// The SCSI_ADDRESS as the port driver returns it.
struct ScsiAddress {
  std::uint32_t Length = 0;
  std::uint8_t PortNumber = 0;
  std::uint8_t PathId = 0;
  std::uint8_t TargetId = 0;
  std::uint8_t Lun = 0;
};

struct DiskRegData {
  std::uint8_t IsIdeEnumerator = 0;
  std::unique_ptr<ParentNode> Parent;
  std::array<char, kDevicePathSize> DevicePath{};
  PropertyText DeviceInstanceId{};
  PropertyText DeviceDesc{};
  PropertyText EnumeratorName{};
  PropertyText PdoName{};
  PropertyText Driver{};
  PropertyText LocationInformation{};
  PropertyText HardwareId{};
  PropertyText CompatibleIds{};
  PropertyText FriendlyName{};
  PropertyText Service{};
  Guid ClassGuid;
  std::uint32_t UIAddress = 0;
  std::uint8_t HasScsiAddress = 0;
  ScsiAddress Address;
  std::uint8_t DeviceNumber = 0;
  std::uint8_t BusType = 0;
  std::uint8_t UINumber = 0;
  std::uint8_t HasUINumber = 0;
  std::uint8_t Taken = 0;
  std::uint8_t HasIo = 0;
  std::uint32_t IoRangeCount = 0;
  std::uint32_t CmdBase = 0, CmdLength = 0;
  std::uint32_t CtlBase = 0, CtlLength = 0;
  std::uint8_t HasMem = 0;
  std::uint32_t MemRangeCount = 0;
  std::array<MemRange, kMaxRanges> MemRanges{};
  std::uint16_t VendorId = 0;
  std::uint16_t DeviceId = 0;
  std::array<std::uint8_t, 26> DriveLetters{};
  std::unique_ptr<WmiDiskInfo> WmiInfo;
};

// Bus types of STORAGE_DEVICE_DESCRIPTOR.
namespace bus_type {
inline constexpr std::uint8_t kScsi = 1;
inline constexpr std::uint8_t kAtapi = 2;
inline constexpr std::uint8_t kAta = 3;
inline constexpr std::uint8_t kUsb = 7;
inline constexpr std::uint8_t kRaid = 8;
inline constexpr std::uint8_t kSas = 10;
inline constexpr std::uint8_t kSata = 11;
}  // namespace bus_type

// The disks the command device may select, in list order; their owner outlives the device.
using DiskList = std::span<DiskRegData>;

}  // namespace qz
