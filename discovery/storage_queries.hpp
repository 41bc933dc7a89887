#pragma once
// The storage requests discovery sends to a disk by its device path. Each opens the path for
// reading, asks one thing and closes it again.
#include <cstdint>
#include <string>

#include "transport/disk_reg_data.hpp"
#include "platform/file_api.hpp"

namespace qz {

namespace ioctl {
inline constexpr std::uint32_t kScsiGetAddress = 0x00041018;
inline constexpr std::uint32_t kStorageGetDeviceNumber = 0x002D1080;
inline constexpr std::uint32_t kStorageQueryProperty = 0x002D1400;
}  // namespace ioctl

// IOCTL_SCSI_GET_ADDRESS; true only when exactly the 8 bytes of a SCSI_ADDRESS came back.
bool GetScsiAddr(FileApi& files, const std::string& devicePath, ScsiAddress& address);
// STORAGE_DEVICE_NUMBER.DeviceNumber; 0 on any failure.
std::uint8_t QueryDeviceNumber(FileApi& files, const std::string& devicePath);
// STORAGE_DEVICE_DESCRIPTOR.BusType; 0 on any failure.
std::uint8_t QueryBusType(FileApi& files, const std::string& devicePath);

}  // namespace qz
