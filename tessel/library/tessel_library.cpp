#include "tessel/library/tessel_library.hpp"

#include <cstring>

#include "platform/little_endian.hpp"
#include "tessel/library/base_address.hpp"
#include "tessel/library/fixed_text.hpp"
#include "tessel/library/state_text.hpp"
#include "tessel/request_codes.hpp"

namespace qz::tessel {
namespace {

constexpr std::uint32_t kScManagerAllAccess = 0xF003F;
constexpr std::uint32_t kServiceAllAccess = 0xF01FF;
constexpr std::uint32_t kFlagDeleteOnClose = 0x04000000;
constexpr char kServiceName[] = "TESSEL";
constexpr char kDriverFile[] = "\\drivers\\Tessel.sys";

std::int32_t Bool(bool b) { return b ? kTrue : kFalse; }

}  // namespace

void TesselLibrary::ProcessAttach() { isNt_ = maIsWinNT() != kFalse; }

void TesselLibrary::ProcessDetach() {
  if (isOpen()) maCloseLibrary();
}

Handle TesselLibrary::OpenDevice() {
  char path[sizeof("\\\\.\\") + sizeof(kDeviceName)];
  FixedText(path, sizeof(path)).Add("\\\\.\\").Add(kDeviceName);
  return os_.CreateFile(path, access::kGenericRead | access::kGenericWrite, 0,
                        disposition::kOpenExisting, kFileAttributeNormal);
}

std::int32_t TesselLibrary::maOpenLibrary() {
  if (isOpen()) {
    os_.CloseHandle(device_);
    device_ = kInvalidHandle;
  }
  if (isNt_) {
    device_ = OpenDevice();
    if (device_ == kInvalidHandle) {
      // A failed installation's state (the service manager's error, say) tells more than
      // the second failed open.
      const bool installed = maInstallService() != kFalse;
      device_ = OpenDevice();
      if (device_ == kInvalidHandle && !installed) return kFalse;
    }
  } else {
    // Opening the VxD by name loads it.
    device_ = os_.CreateFile("\\\\.\\tessel.vxd", 0, 0, disposition::kCreateNew, kFlagDeleteOnClose);
  }
  if (device_ == kInvalidHandle) {
    state_ = os_.GetLastError();
    return kFalse;
  }
  state_ = 0;
  return kTrue;
}

std::int32_t TesselLibrary::maCloseLibrary() {
  if (!NeedDevice()) return 0;
  const bool closed = os_.CloseHandle(device_);
  device_ = kInvalidHandle;
  return closed ? 1 : 0;
}

bool TesselLibrary::NeedDevice() {
  if (isOpen()) return true;
  state_ = kStateNoDeviceHandle;
  return false;
}

bool TesselLibrary::Request(std::uint32_t code, ConstBytes in, Bytes out, std::uint32_t& returned) {
  returned = 0;
  if (!os_.DeviceIoControl(device_, code, in, out, returned)) {
    state_ = os_.GetLastError();
    // A failure without a reason must not read as success.
    if (state_ == 0) state_ = kStateUnexpected;
    return false;
  }
  state_ = 0;
  return true;
}

std::uint32_t TesselLibrary::Peek(std::uint32_t address, std::uint32_t width) {
  if (!NeedDevice()) return 0;
  std::uint8_t in[12] = {};
  le::Store32(in, address);
  le::Store32(in + 4, width);
  std::uint8_t out[4] = {};
  std::uint32_t returned = 0;
  if (!Request(kIoctlReadMemory, in, out, returned)) return 0;
  const std::uint32_t value = le::Load32(out);
  if (width == 1) return value & 0xFFu;
  if (width == 2) return value & 0xFFFFu;
  return value;
}

std::int32_t TesselLibrary::Poke(std::uint32_t address, std::uint32_t width, std::uint32_t value) {
  if (!NeedDevice()) return kFalse;
  std::uint8_t in[12] = {};
  le::Store32(in, address);
  le::Store32(in + 4, width);
  le::Store32(in + 8, value);
  std::uint8_t out[4] = {};
  std::uint32_t returned = 0;
  return Bool(Request(kIoctlWriteMemory, in, out, returned));
}

std::uint32_t TesselLibrary::maMapPhysToLinear(std::uint32_t physical, std::uint32_t length,
                                               std::uint32_t* mappingHandle) {
  if (!NeedDevice()) return 0;
  std::uint8_t in[16] = {};
  le::Store32(in + 4, physical);
  le::Store32(in + 12, length);
  std::uint8_t out[16] = {};
  std::uint32_t returned = 0;
  if (!Request(kIoctlMapMemory, in, out, returned)) return 0;
  if (mappingHandle) *mappingHandle = le::Load32(out);
  return le::Load32(out + 8);
}

std::int32_t TesselLibrary::maUnmapPhysicalMemory(std::uint32_t mappingHandle, std::uint32_t linear) {
  if (!isNt_) return kTrue;
  if (!NeedDevice()) return kTrue;
  std::uint8_t in[16] = {};
  le::Store32(in, mappingHandle);
  le::Store32(in + 8, linear);
  std::uint8_t out[4] = {};
  std::uint32_t returned = 0;
  return Bool(Request(kIoctlUnmapMemory, in, out, returned));
}

std::int32_t TesselLibrary::maFindPCIDevice(std::uint32_t vendorId, std::uint32_t deviceId,
                                            std::uint32_t index, std::uint8_t* record) {
  if (!NeedDevice()) return kFalse;
  if (!record) {
    state_ = err::kInvalidParameter;
    return kFalse;
  }
  std::uint8_t in[8] = {};
  le::Store16(in, static_cast<std::uint16_t>(vendorId));
  le::Store16(in + 2, static_cast<std::uint16_t>(deviceId));
  le::Store32(in + 4, index);
  std::uint32_t returned = 0;
  if (!Request(kIoctlFindDevice, in, Bytes(record, kPciRecordSize), returned)) return kFalse;
  if (returned == 0) {
    record[0] = record[1] = record[2] = record[3] = 0;  // no device matched
  }
  return kTrue;
}

std::int32_t TesselLibrary::maGetPCIDeviceInfo(std::uint16_t* vendorId, std::uint16_t* deviceId,
                                               std::uint32_t index, std::uint32_t* bus,
                                               std::uint32_t* device, std::uint32_t* function,
                                               std::uint8_t* header) {
  if (!vendorId || !deviceId) {
    state_ = err::kInvalidParameter;
    return 0;
  }
  std::uint8_t record[kPciRecordSize] = {};
  if (maFindPCIDevice(*vendorId, *deviceId, index, record) == kFalse) return 0;
  const std::uint16_t foundVendor = le::Load16(record);
  const std::uint16_t foundDevice = le::Load16(record + 2);
  if (foundVendor == 0 && foundDevice == 0) return -1;
  *vendorId = foundVendor;
  *deviceId = foundDevice;
  if (bus) *bus = le::Load32(record + 88);
  if (device) *device = le::Load32(record + 92);
  if (function) *function = le::Load32(record + 96);
  if (header) std::memcpy(header, record, 64);
  return 1;
}

std::int32_t TesselLibrary::maGetDeviceBaseAddress(std::uint16_t* vendorId, std::uint16_t* deviceId,
                                                   std::uint32_t index, std::uint8_t* records) {
  if (!vendorId || !deviceId || !records) {
    state_ = err::kInvalidParameter;
    return 0;
  }
  std::uint8_t record[kPciRecordSize] = {};
  if (maFindPCIDevice(*vendorId, *deviceId, index, record) == kFalse) return 0;
  const std::uint16_t foundVendor = le::Load16(record);
  const std::uint16_t foundDevice = le::Load16(record + 2);
  if (foundVendor == 0 && foundDevice == 0) return -1;
  *vendorId = foundVendor;
  *deviceId = foundDevice;
  BaseAddressRecords(record, records);
  return 1;
}

std::uint32_t TesselLibrary::maAllocSystemBuffer(std::uint32_t size, std::uint32_t* physical) {
  if (!NeedDevice()) return 0;
  std::uint8_t in[16] = {};
  le::Store32(in + 8, size);
  std::uint8_t out[16] = {};
  std::uint32_t returned = 0;
  if (!Request(kIoctlDmaAlloc, in, out, returned)) return 0;
  if (physical) *physical = le::Load32(out);
  return le::Load32(out + 8);
}

std::int32_t TesselLibrary::maFreeSystemBuffer() {
  maAllocSystemBuffer(0, nullptr);
  return state_ == 0 ? 1 : 0;
}

std::uint32_t TesselLibrary::maGetLastState(char* text) {
  if (text) FixedText(text, kStateTextSize).Add(StateText(state_));
  return state_;
}

std::int32_t TesselLibrary::maIsWinNT() {
  std::uint32_t platformId = 0;
  if (!os_.GetPlatformId(platformId)) return kTrue;
  return Bool(platformId != platform_id::kWindows);
}

std::int32_t TesselLibrary::maIsWin64() {
  // Looked up on first use rather than while the loader lock is held at attach.
  if (hasIsWow64_ < 0) {
    const Handle kernel = os_.LoadLibrary("kernel32");
    hasIsWow64_ = kernel != kNullHandle && os_.HasProcAddress(kernel, "IsWow64Process") ? 1 : 0;
    if (kernel != kNullHandle) os_.FreeLibrary(kernel);
  }
  if (!hasIsWow64_) return kFalse;
  bool wow64 = false;
  if (!os_.IsWow64Process(wow64)) return kFalse;
  return Bool(wow64);
}

std::int32_t TesselLibrary::maInstallService() {
  if (!isNt_) return kFalse;
  char directory[kSystemDirectorySize];
  os_.GetSystemDirectory(directory, sizeof(directory));
  char path[sizeof(directory) + sizeof(kDriverFile)];
  FixedText(path, sizeof(path)).Add(directory).Add(kDriverFile);
  const Handle manager = os_.OpenSCManager(kScManagerAllAccess);
  if (manager == kNullHandle) {
    state_ = os_.GetLastError();
    return kFalse;
  }
  bool started = false;
  Handle service = os_.OpenService(manager, kServiceName, kServiceAllAccess);
  if (service != kNullHandle) {
    started = os_.StartService(service) || os_.GetLastError() == kErrorServiceAlreadyRunning;
    if (!started) os_.DeleteService(service);
    os_.CloseServiceHandle(service);
  }
  if (!started) {
    // Demand start: the driver must not come back by itself at the next restart.
    service = os_.CreateService(manager, kServiceName, kServiceName, kServiceAllAccess,
                                service_type::kKernelDriver, service_start::kDemand, path);
    if (service != kNullHandle) {
      started = os_.StartService(service) || os_.GetLastError() == kErrorServiceAlreadyRunning;
      if (!started) state_ = os_.GetLastError();
      os_.CloseServiceHandle(service);
    } else {
      state_ = os_.GetLastError();
    }
  }
  os_.CloseServiceHandle(manager);
  const Handle probe = OpenDevice();
  if (probe == kInvalidHandle) {
    if (started) state_ = os_.GetLastError();
    return kFalse;
  }
  os_.CloseHandle(probe);
  state_ = 0;
  return kTrue;
}

std::int32_t TesselLibrary::maRemoveService() {
  if (!isNt_) return kFalse;
  const Handle manager = os_.OpenSCManager(kScManagerAllAccess);
  if (manager == kNullHandle) {
    state_ = os_.GetLastError();
    return kFalse;
  }
  bool deleted = false;
  const Handle service = os_.OpenService(manager, kServiceName, kServiceAllAccess);
  if (service != kNullHandle) {
    std::uint32_t current = 0;
    os_.ControlService(service, service_control::kStop, current);
    deleted = os_.DeleteService(service);
    os_.CloseServiceHandle(service);
  }
  state_ = deleted ? 0 : os_.GetLastError();
  os_.CloseServiceHandle(manager);
  return Bool(deleted);
}

}  // namespace qz::tessel
