#include "discovery/storage_queries.hpp"

#include <array>

#include "platform/little_endian.hpp"

namespace qz {
namespace {

// STORAGE_DEVICE_DESCRIPTOR.BusType, a 32-bit enumeration.
constexpr std::size_t kBusTypeOffset = 28;
constexpr std::size_t kDeviceNumberOffset = 4;

Handle OpenForQuery(FileApi& files, const std::string& path) {
  return files.CreateFile(path, access::kGenericRead, share::kRead | share::kWrite,
                          disposition::kOpenExisting, 0);
}

}  // namespace

bool GetScsiAddr(FileApi& files, const std::string& devicePath, ScsiAddress& address) {
  const Handle h = OpenForQuery(files, devicePath);
  if (h == kInvalidHandle) return false;
  std::array<std::uint8_t, 2048> out{};
  std::uint32_t returned = 0;
  const bool ok = files.DeviceIoControl(h, ioctl::kScsiGetAddress, {}, out, returned) &&
                  returned == 8;
  files.CloseHandle(h);
  if (!ok) return false;
  address.Length = le::Load32(out.data());
  address.PortNumber = out[4];
  address.PathId = out[5];
  address.TargetId = out[6];
  address.Lun = out[7];
  return true;
}

std::uint8_t QueryDeviceNumber(FileApi& files, const std::string& devicePath) {
  const Handle h = OpenForQuery(files, devicePath);
  if (h == kInvalidHandle) return 0;
  std::array<std::uint8_t, 12> out{};
  std::uint32_t returned = 0;
  const bool ok = files.DeviceIoControl(h, ioctl::kStorageGetDeviceNumber, {}, out, returned) &&
                  returned >= kDeviceNumberOffset + 4;
  files.CloseHandle(h);
  return ok ? out[kDeviceNumberOffset] : 0;
}

std::uint8_t QueryBusType(FileApi& files, const std::string& devicePath) {
  const Handle h = OpenForQuery(files, devicePath);
  if (h == kInvalidHandle) return 0;
  // One buffer in and out; all zero asks for StorageDeviceProperty, PropertyStandardQuery.
  std::array<std::uint8_t, 40> buffer{};
  const std::array<std::uint8_t, 40> query{};
  std::uint32_t returned = 0;
  const bool ok = files.DeviceIoControl(h, ioctl::kStorageQueryProperty, query, buffer, returned) &&
                  returned > kBusTypeOffset;
  files.CloseHandle(h);
  return ok ? buffer[kBusTypeOffset] : 0;
}

}  // namespace qz
