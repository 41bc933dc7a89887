// The Setup API walks: the disks behind the disk interface class and the diagnostic lists of
// controllers.
#include <algorithm>

#include "discovery/device_enumerator.hpp"
#include "discovery/fixed_text.hpp"
#include "discovery/rearrange.hpp"
#include "discovery/storage_queries.hpp"
#include "platform/little_endian.hpp"
#include "platform/text.hpp"

namespace qz {
namespace {

constexpr int kMaxSizeRetries = 4;

std::string TextOf(const std::vector<std::uint8_t>& bytes) {
  const auto end = std::find(bytes.begin(), bytes.end(), std::uint8_t{0});
  return std::string(bytes.begin(), end);
}

struct NamedProperty {
  std::uint32_t code;
  const char* name;
};

}  // namespace

bool DeviceEnumerator::ReadProperty(Handle set, const DeviceInfoData& device,
                                    std::uint32_t property, std::vector<std::uint8_t>& value,
                                    bool traceFailures) {
  value.clear();
  for (int attempt = 0; attempt <= kMaxSizeRetries; ++attempt) {
    std::uint32_t type = 0, required = 0;
    if (setup_.SetupDiGetDeviceRegistryProperty(set, device, property, type, value, required)) {
      return true;
    }
    const std::uint32_t error = api_.GetLastError();
    if (traceFailures) {
      temp_.Print("Last Error = %ld\n", static_cast<long>(error));
      if (error == err::kInsufficientBuffer) {
        temp_.Append("ERROR_INSUFFICIENT_BUFFER found\n");
        temp_.Print("Buffer needed = %ld\n", static_cast<long>(required));
      }
    }
    if (error != err::kInsufficientBuffer || required <= value.size()) break;
    value.assign(required, 0);
  }
  value.clear();
  return false;
}

std::string DeviceEnumerator::ReadPropertyText(Handle set, const DeviceInfoData& device,
                                               std::uint32_t property) {
  std::vector<std::uint8_t> bytes;
  if (!ReadProperty(set, device, property, bytes, false)) return {};
  return TextOf(bytes);  // a multi-string gives its first string
}

bool DeviceEnumerator::ReadPropertyNumber(Handle set, const DeviceInfoData& device,
                                          std::uint32_t property, std::uint32_t& value) {
  std::vector<std::uint8_t> bytes;
  if (!ReadProperty(set, device, property, bytes, false) || bytes.size() < 4) return false;
  value = le::Load32(bytes.data());
  return true;
}

void DeviceEnumerator::ReadDeviceProperties(Handle set, const DeviceInfoData& device,
                                            DiskRegData& entry, bool traced) {
  struct Target {
    NamedProperty property;
    PropertyText* field;
  };
  const Target targets[] = {
      {{spdrp::kDeviceDesc, "SPDRP_DEVICEDESC"}, &entry.DeviceDesc},
      {{spdrp::kEnumeratorName, "SPDRP_ENUMERATOR_NAME"}, &entry.EnumeratorName},
      {{spdrp::kPhysicalDeviceObjectName, "SPDRP_PHYSICAL_DEVICE_OBJECT_NAME"}, &entry.PdoName},
      {{spdrp::kDriver, "SPDRP_DRIVER"}, &entry.Driver},
      {{spdrp::kService, "SPDRP_SERVICE"}, &entry.Service},
      {{spdrp::kLocationInformation, "SPDRP_LOCATION_INFORMATION"}, &entry.LocationInformation},
      {{spdrp::kHardwareId, "SPDRP_HARDWAREID"}, &entry.HardwareId},
      {{spdrp::kCompatibleIds, "SPDRP_COMPATIBLEIDS"}, &entry.CompatibleIds},
      {{spdrp::kFriendlyName, "SPDRP_FRIENDLYNAME"}, &entry.FriendlyName},
  };
  for (const auto& t : targets) {
    if (traced) temp_.Print("call fpSetupDiGetDeviceRegistryProperty %s\n", t.property.name);
    std::vector<std::uint8_t> bytes;
    const bool traceFailures = traced && t.property.code == spdrp::kDeviceDesc;
    if (ReadProperty(set, device, t.property.code, bytes, traceFailures)) {
      SetText(*t.field, TextOf(bytes));
    }
  }
  const std::string guid = ReadPropertyText(set, device, spdrp::kClassGuid);
  if (guid.size() >= 38 && guid.front() == '{') {
    if (auto parsed = ParseGuid(std::string_view(guid).substr(1, 36))) entry.ClassGuid = *parsed;
  }
}

int DeviceEnumerator::GetDiskRegistryInfo(int expected) {
  if (!CheckSupport()) return 0;
  debug_.Append("call GetGuidRegistryInfo(DiskClassGuid)\n");
  const int c = GetGuidRegistryInfo(guids::kDiskInterface, expected);

  debug_.Append("call GetScsiAddr\n");
  for (int i = 0; i < c; ++i) {
    DiskRegData& entry = mDiskRegData[static_cast<std::size_t>(i)];
    QueryStorage(entry);
    entry.IsIdeEnumerator = GetText(entry.EnumeratorName) == "IDE" ? 1 : 0;
  }
  debug_.Print("dwCount = %d\n", c);

  debug_.Append("Rearrange Array\n");
  RearrangeByScsiAddress(mDiskRegData, static_cast<std::size_t>(c));
  debug_.Append("Rearrange Array ok\n");

  debug_.Append("call GetGuidRegistryInfoByDriver(GUID_DEVCLASS_HDC)\n");
  for (int i = 0; i < 5; ++i) {
    if (processMessages) processMessages();
  }
  const int drivers = GetGuidRegistryInfoByDriver(guids::kHdcClass, hdc_);
  if (drivers != 0) debug_.Print("dwCountDriver = %d\n", drivers);
  debug_.Append("call GetGuidRegistryInfoByDriver(GUID_DEVCLASS_SCSIADAPTER)\n");
  const int scsi = GetGuidRegistryInfoByDriver(guids::kScsiAdapterClass, scsi_);
  if (scsi != 0) debug_.Print("dwCountDriverScsi = %d\n", scsi);

  for (int j = 0; j < c; ++j) ParentStep(j);
  return c;
}

void DeviceEnumerator::QueryStorage(DiskRegData& entry) {
  const std::string path = GetText(entry.DevicePath);
  ScsiAddress address;
  entry.HasScsiAddress = GetScsiAddr(api_, path, address) ? 1 : 0;
  if (entry.HasScsiAddress) entry.Address = address;
  entry.DeviceNumber = QueryDeviceNumber(api_, path);
  entry.BusType = QueryBusType(api_, path);
}

int DeviceEnumerator::GetGuidRegistryInfo(const Guid& interfaceClass, int maxEntries) {
  if (!CheckSupport()) return 0;
  temp_.Append("call fpSetupDiGetClassDevs\n");
  const Handle set =
      setup_.SetupDiGetClassDevs(&interfaceClass, digcf::kPresent | digcf::kDeviceInterface);
  if (set == kInvalidHandle) return 0;

  temp_.Append("Enter while loop\n");
  for (int i = 0; i < maxEntries; ++i) {
    temp_.Append("call fpSetupDiEnumDeviceInterfaces\n");
    DeviceInterfaceData iface;
    if (!setup_.SetupDiEnumDeviceInterfaces(set, interfaceClass, static_cast<std::uint32_t>(i),
                                            iface)) {
      break;
    }
    temp_.Append("call fpSetupDiGetDeviceInterfaceDetail\n");
    std::vector<std::uint8_t> detail(kDevicePathSize, 0);
    const std::uint32_t cbSize = setup_.InterfaceDetailSize();
    le::Store32(detail.data(), cbSize);
    std::uint32_t required = 0;
    if (!setup_.SetupDiGetDeviceInterfaceDetail(set, iface, detail, required)) break;
    const std::vector<std::uint8_t> path(detail.begin() + 4, detail.end());
    SetText(mDiskRegData[static_cast<std::size_t>(i)].DevicePath, TextOf(path));
  }

  // The loop ends on the count or on a failed call; only that call's error can end it badly.
  // The last error at the end of a counted loop is whatever an earlier call left behind
  // (a size query, say).
  int i = 0;
  std::uint32_t ended = err::kNoMoreItems;
  for (; i < maxEntries; ++i) {
    DeviceInfoData device;
    if (!setup_.SetupDiEnumDeviceInfo(set, static_cast<std::uint32_t>(i), device)) {
      ended = api_.GetLastError();
      break;
    }
    temp_.Print("nCount = %d\n", i);
    DiskRegData& entry = mDiskRegData[static_cast<std::size_t>(i)];
    std::vector<std::uint8_t> id(kPropertyTextSize, 0);
    if (setup_.CM_Get_Device_ID(device.devInst, id) == cr::kSuccess) {
      SetText(entry.DeviceInstanceId, TextOf(id));
    }
    ReadDeviceProperties(set, device, entry, true);
  }
  if (ended != err::kSuccess && ended != err::kNoMoreItems) {
    setup_.SetupDiDestroyDeviceInfoList(set);  // the list is not leaked on the error path
    return 0;
  }
  temp_.Append("call fpSetupDiDestroyDeviceInfoList\n");
  setup_.SetupDiDestroyDeviceInfoList(set);
  return i;
}

int DeviceEnumerator::GetGuidRegistryInfoByDriver(const Guid& setupClass,
                                                  std::vector<DiskRegData>& list) {
  list.clear();
  if (!CheckSupport()) return 0;
  const std::string classText = ToUpperAscii(FormatGuid(setupClass));
  debug_.Append("call fpSetupDiGetClassDevs\n");
  const Handle set = setup_.SetupDiGetClassDevs(nullptr, digcf::kPresent | digcf::kAllClasses);
  if (set == kInvalidHandle) return 0;
  debug_.Append("call fpSetupDiEnumDeviceInfo\n");

  int members = 0;
  std::uint32_t last = err::kSuccess;  // of the call that ended the loop
  for (std::uint32_t i = 0;; ++i) {
    DeviceInfoData device;
    if (!setup_.SetupDiEnumDeviceInfo(set, i, device)) {
      last = api_.GetLastError();
      break;
    }
    debug_.Print("call fpSetupDiGetDeviceRegistryProperty(SPDRP_DRIVER)...i=%d\n", static_cast<int>(i));
    std::vector<std::uint8_t> driver(512, 0);
    std::uint32_t type = 0, required = 0;
    if (!setup_.SetupDiGetDeviceRegistryProperty(set, device, spdrp::kDriver, type, driver,
                                                 required)) {
      continue;
    }
    const std::string driverText = TextOf(driver);
    debug_.Print("DRIVER = %s...i=%d\n", driverText.c_str(), static_cast<int>(i));
    if (ToUpperAscii(driverText).find(classText) == std::string::npos) continue;
    ++members;
    if (list.size() >= kMaxControllers) continue;
    DiskRegData& entry = list.emplace_back();
    SetText(entry.Driver, driverText);
    debug_.Append("call SetupDiGetDeviceInstanceId\n");
    std::vector<std::uint8_t> id(kPropertyTextSize, 0);
    if (setup_.SetupDiGetDeviceInstanceId(set, device, id, required)) {
      SetText(entry.DeviceInstanceId, TextOf(id));
    }
    debug_.Print("DeviceInstanceID = %s\n", GetText(entry.DeviceInstanceId).c_str());
    const struct {
      NamedProperty property;
      PropertyText* field;
    } targets[] = {
        {{spdrp::kDeviceDesc, "SPDRP_DEVICEDESC"}, &entry.DeviceDesc},
        {{spdrp::kEnumeratorName, "SPDRP_ENUMERATOR_NAME"}, &entry.EnumeratorName},
        {{spdrp::kPhysicalDeviceObjectName, "SPDRP_PHYSICAL_DEVICE_OBJECT_NAME"}, &entry.PdoName},
        {{spdrp::kLocationInformation, "SPDRP_LOCATION_INFORMATION"}, &entry.LocationInformation},
        {{spdrp::kHardwareId, "SPDRP_HARDWAREID"}, &entry.HardwareId},
        {{spdrp::kCompatibleIds, "SPDRP_COMPATIBLEIDS"}, &entry.CompatibleIds},
        {{spdrp::kFriendlyName, "SPDRP_FRIENDLYNAME"}, &entry.FriendlyName},
    };
    for (const auto& t : targets) {
      debug_.Print("call fpSetupDiGetDeviceRegistryProperty(%s)\n", t.property.name);
      SetText(*t.field, ReadPropertyText(set, device, t.property.code));
    }
  }
  debug_.Append("call fpSetupDiDestroyDeviceInfoList\n");
  setup_.SetupDiDestroyDeviceInfoList(set);
  return (last == err::kSuccess || last == err::kNoMoreItems) ? members : 0;
}

}  // namespace qz
