#include "discovery/device_enumerator.hpp"

#include <algorithm>
#include <new>

#include "discovery/fixed_text.hpp"
#include "platform/text.hpp"

namespace qz {
namespace {

constexpr char kDebugPath[] = "C:\\DEBUG.TXT";

std::string TempTraceLocation(Win32Api& api, SetupApi& setup) {
  std::string dir = api.GetTempPath();
  if (dir.empty()) dir = setup.ProgramDirectory();
  if (dir.empty() || dir.back() != '\\') dir += '\\';
  return dir + "DEBUG.TXT";
}

}  // namespace

DeviceEnumerator::DeviceEnumerator(Win32Api& api, SetupApi& setup, WmiApi& wmi)
    : api_(api), setup_(setup), wmi_(wmi), debug_(api, kDebugPath),
      temp_(api, TempTraceLocation(api, setup)) {
  api_.DeleteFile(temp_.path());

  // Only the system directory's copies: a file of the same name beside the program, or
  // anywhere else on the search path, must never be the one that gets loaded.
  const std::string system = api_.GetSystemDirectory();
  if (!system.empty()) {
    const std::string dir = system.back() == '\\' ? system : system + "\\";
    setupApiModule_ = setup_.LoadLibrary(dir + "Setupapi.dll");
    cfgMgrModule_ = setup_.LoadLibrary(dir + "cfgmgr32.dll");
  }
  bound_.fill(false);
  for (std::size_t i = 0; i < kSetupFunctions.size(); ++i) {
    const Handle module = kSetupFunctions[i].library == SetupLibrary::SetupApi ? setupApiModule_
                                                                                : cfgMgrModule_;
    if (module != kNullHandle) bound_[i] = setup_.Bind(module, kSetupFunctions[i].name);
  }

  OsVersionInfo info;
  if (api_.GetVersionEx(info, true) || api_.GetVersionEx(info, false)) {
    MajorVersion = info.majorVersion;
    MinorVersion = info.minorVersion;
    PlatformId = info.platformId;
    ProductType = info.productType;
  }

  debug_.Restart("Constructor ok \n");
}

DeviceEnumerator::~DeviceEnumerator() { Destroy(); }

void DeviceEnumerator::Destroy() {
  if (destroyed_) return;
  destroyed_ = true;
  if (setupApiModule_ != kNullHandle) setup_.FreeLibrary(setupApiModule_);
  if (cfgMgrModule_ != kNullHandle) setup_.FreeLibrary(cfgMgrModule_);
  setupApiModule_ = cfgMgrModule_ = kNullHandle;
  bound_.fill(false);
  FreeList();
  debug_.Append("Deconstructor ok \n");
}

void DeviceEnumerator::FreeList() {
  mDiskRegData.clear();  // each entry owns its parent chain and its WMI record
  count_ = 0;
}

bool DeviceEnumerator::IsBound(const std::string& name) const {
  for (std::size_t i = 0; i < kSetupFunctions.size(); ++i) {
    if (name == kSetupFunctions[i].name) return bound_[i];
  }
  return false;
}

bool DeviceEnumerator::CheckSupport() {
  debug_.Append("Check sysytem support\n");
  for (std::size_t i = 0; i < kSetupFunctions.size(); ++i) {
    if (kSetupFunctions[i].required && !bound_[i]) return false;
  }
  debug_.Append("Check sysytem support ok\n");
  return true;
}

bool DeviceEnumerator::Enumerate() {
  if (destroyed_ || !CheckSupport()) return false;

  WmiDiskQuery wmi(api_, wmi_, temp_, MajorVersion, MinorVersion);
  expected_ = wmi.DiskCount();
  wmi.LogicalDiskMap(diskMap_);

  FreeList();
  debug_.Append("new memory for mDiskRegData\n");
  // A count that wrapped below zero asks for nothing.
  const int expected = expected_ > 0 ? expected_ : 0;
  try {
    mDiskRegData.resize(static_cast<std::size_t>(expected));
  } catch (const std::bad_alloc&) {
    return false;
  }

  runs_ = 0;
  while (runs_ < kMaxRuns) {
    debug_.Append("call GetDiskRegistryInfo\n");
    ++runs_;
    // Every run starts from zeroed entries: a repeat must not inherit an earlier run's
    // disks, whose order may have changed.
    for (auto& entry : mDiskRegData) entry = DiskRegData{};
    try {
      count_ = GetDiskRegistryInfo(expected);
    } catch (...) {
      count_ = 0;
      for (auto& entry : mDiskRegData) entry = DiskRegData{};
      temp_.Append("GetDiskRegistryInfo FAILED\n");
    }
    if (count_ == expected) break;
  }

  AttachWmiRecords();
  return true;
}

DiskList DeviceEnumerator::ListedDisks() {
  // A failed or freed enumeration has counted nothing.
  const int count = std::clamp(count_, 0, static_cast<int>(mDiskRegData.size()));
  return DiskList(mDiskRegData.data(), static_cast<std::size_t>(count));
}

void DeviceEnumerator::AttachWmiRecords() {
  WmiDiskQuery wmi(api_, wmi_, temp_, MajorVersion, MinorVersion);
  std::vector<WmiDiskInfo> records;
  if (!wmi.DiskRecords(records)) return;
  for (const auto& record : records) {
    for (int i = 0; i < count_; ++i) {
      DiskRegData& entry = mDiskRegData[static_cast<std::size_t>(i)];
      if (static_cast<std::int32_t>(entry.DeviceNumber) != record.Index) continue;
      entry.WmiInfo = std::make_unique<WmiDiskInfo>(record);
      entry.DriveLetters.fill(0);
      const std::string id = GetText(record.DeviceID);
      const auto at = id.find("PHYSICALDRIVE");
      if (at != std::string::npos) {
        const std::string digits = TrimText(id.substr(at + 13), IsSpace);
        bool numeric = !digits.empty() && digits.size() < 6;
        for (char c : digits) numeric = numeric && c >= '0' && c <= '9';
        if (numeric) {
          const unsigned long d = std::stoul(digits);
          if (d < diskMap_.size()) entry.DriveLetters = diskMap_[d].Letters;
        }
      }
      break;
    }
  }
}

}  // namespace qz
