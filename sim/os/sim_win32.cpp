#include "sim/os/sim_win32.hpp"

#include <algorithm>
#include <cstring>

#include "platform/civil_time.hpp"
#include "platform/little_endian.hpp"
#include "platform/text.hpp"
#include "sim/machine/path.hpp"

namespace qz::sim {
namespace {

constexpr std::int32_t kStatusSuccess = 0;
constexpr std::int32_t kStatusInfoLengthMismatch = static_cast<std::int32_t>(0xC0000004);
constexpr std::int32_t kStatusInvalidInfoClass = static_cast<std::int32_t>(0xC0000003);

std::string ModuleName(const std::string& name) {
  std::string base = BaseName(name);
  for (char& c : base) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
  if (base.size() > 4 && base.compare(base.size() - 4, 4, ".dll") == 0) base.resize(base.size() - 4);
  return base;
}

bool StartsWithPath(const std::string& key, const std::string& prefixKey) {
  return key.size() >= prefixKey.size() && key.compare(0, prefixKey.size(), prefixKey) == 0 &&
         (key.size() == prefixKey.size() || key[prefixKey.size()] == '\\');
}

// Locally unique identifiers of the privileges the code base names.
constexpr struct {
  const char* name;
  std::uint64_t luid;
} kPrivileges[] = {
    {"SeLoadDriverPrivilege", 10},
    {"SeShutdownPrivilege", 19},
    {"SeDebugPrivilege", 20},
};

}  // namespace

SimWin32::SimWin32(Machine& machine, Bitness bitness) : machine_(machine), bitness_(bitness) {}

std::string SimWin32::Redirect(const std::string& path) const {
  if (!machine_.Is64Bit() || redirectionOff_ || fsRedirectionDisabled) return path;
  const std::string key = PathKey(path);
  const std::string system = PathKey(machine_.SystemDirectory());
  const std::string sysnative = PathKey(machine_.windowsDirectory + "\\Sysnative");
  if (bitness_ == Bitness::X86 && StartsWithPath(key, system)) {
    return machine_.Wow64Directory() + path.substr(machine_.SystemDirectory().size());
  }
  if (bitness_ == Bitness::X86 && StartsWithPath(key, sysnative)) {
    return machine_.SystemDirectory() + path.substr(sysnative.size());
  }
  return path;
}

// ---- system

bool SimWin32::GetVersionEx(OsVersionInfo& info, bool extended) {
  if (extended ? !machine_.extendedVersionInfo : !machine_.basicVersionInfo) {
    return Fail(err::kInsufficientBuffer);
  }
  info = machine_.version;
  if (!extended) {
    info.servicePackMajor = info.servicePackMinor = info.suiteMask = 0;
    info.productType = 0;
  }
  return true;
}

std::uint16_t SimWin32::GetSystemInfoArchitecture() {
  return IsWow64() ? processor_arch::kIntel : machine_.nativeArchitecture;
}

std::uint16_t SimWin32::GetNativeSystemInfoArchitecture() { return machine_.nativeArchitecture; }

bool SimWin32::IsWow64Process(bool& wow64) {
  wow64 = IsWow64();
  return true;
}

int SimWin32::GetSystemMetrics(int index) {
  return index == kSmServerR2 ? machine_.serverR2Metric : 0;
}

Handle SimWin32::LoadLibrary(const std::string& name) {
  machine_.loadedLibraries.push_back(name);
  const std::string module = ModuleName(name);
  if (!machine_.exports.count(module)) {
    Fail(err::kFileNotFound + 124);  // ERROR_MOD_NOT_FOUND (126)
    return kNullHandle;
  }
  Handle h = NewHandle();
  modules_[h] = module;
  return h;
}

bool SimWin32::HasProcAddress(Handle module, const std::string& name) {
  auto it = modules_.find(module);
  if (it == modules_.end()) return Fail(err::kInvalidHandle);
  if (!machine_.exports[it->second].count(name)) return Fail(err::kProcNotFound);
  return true;
}

void SimWin32::FreeLibrary(Handle module) { modules_.erase(module); }

bool SimWin32::GetSystemPowerStatus(PowerStatus& status) {
  if (!machine_.powerStatusAvailable) return Fail(err::kNotSupported);
  status = machine_.power;
  return true;
}

bool SimWin32::QueryPerformanceFrequency(std::int64_t& frequency) {
  if (!machine_.clock.hasCounter) {
    frequency = 0;
    return Fail(err::kInvalidFunction);
  }
  frequency = VirtualClock::kFrequency;
  return true;
}

bool SimWin32::QueryPerformanceCounter(std::int64_t& count) {
  if (!machine_.clock.hasCounter) {
    count = 0;
    return Fail(err::kInvalidFunction);
  }
  count = machine_.clock.ReadCounter();
  return true;
}

std::uint32_t SimWin32::GetTickCount() { return machine_.clock.TickCount(); }

void SimWin32::Sleep(std::uint32_t milliseconds) { machine_.clock.AdvanceMilliseconds(milliseconds); }

std::int32_t SimWin32::NtQuerySystemInformation(std::uint32_t infoClass, Bytes buffer,
                                                std::uint32_t& returned) {
  const bool wide = bitness_ == Bitness::X64;
  std::size_t need = 0;
  switch (infoClass) {
    case 0: need = wide ? 64 : 44; break;  // basic
    case 2: need = wide ? 344 : 312; break;  // performance
    case 3: need = 32; break;  // time of day
    default: return kStatusInvalidInfoClass;
  }
  if (buffer.size() != need) {
    returned = static_cast<std::uint32_t>(need);
    return kStatusInfoLengthMismatch;
  }
  std::fill(buffer.begin(), buffer.end(), std::uint8_t{0});
  std::uint8_t* p = buffer.data();
  if (infoClass == 0) {
    le::Store32(p + 8, 4096);        // page size
    le::Store32(p + 12, 0x100000);   // physical pages: 4 GiB
    p[wide ? 56 : 40] = 2;       // processors
  } else if (infoClass == 2) {
    le::Store64(p, static_cast<std::uint64_t>(machine_.clock.IdleTime100ns()));
  } else {
    le::Store64(p, static_cast<std::uint64_t>(VirtualClock::kBootTime));
    le::Store64(p + 8, static_cast<std::uint64_t>(machine_.clock.SystemTime100ns()));
  }
  returned = static_cast<std::uint32_t>(need);
  return kStatusSuccess;
}

bool SimWin32::ExitWindowsEx(std::uint32_t flags, std::uint32_t reason) {
  const bool powerAction = (flags & 0x3u) != 0 || (flags & 0x8u) != 0;  // shutdown, reboot, power off
  if (machine_.IsNt() && powerAction) {
    auto it = machine_.token.privileges.find("SeShutdownPrivilege");
    if (it == machine_.token.privileges.end() || !it->second.enabled) {
      return Fail(err::kPrivilegeNotHeld);
    }
  }
  machine_.restarts.push_back({flags, reason});
  return true;
}

std::intptr_t SimWin32::ShellExecute(Handle, const std::string& verb, const std::string& file,
                                     const std::string& parameters, const std::string& directory,
                                     int show) {
  ShellLaunch launch{verb, file, parameters, directory, show};
  machine_.launches.push_back(launch);
  if (machine_.onShellExecute) machine_.onShellExecute(launch);
  return 42;
}

LaunchEnd SimWin32::ShellExecuteWait(Handle, const std::string& verb, const std::string& file,
                                     const std::string& parameters, const std::string& directory,
                                     int show, std::uint32_t milliseconds, std::uint32_t& exitCode) {
  ShellLaunch launch{verb, file, parameters, directory, show};
  machine_.launches.push_back(launch);
  if (machine_.launchOutcome.hangs) {
    machine_.clock.AdvanceMilliseconds(milliseconds);
    return LaunchEnd::TimedOut;
  }
  // The simulated program runs to its end before the wait returns.
  if (machine_.onShellExecute) machine_.onShellExecute(launch);
  exitCode = machine_.launchOutcome.exitCode;
  return LaunchEnd::Finished;
}

bool SimWin32::SetWow64FsRedirection(bool enabled) {
  if (!IsWow64() || redirectionSwitchFails) return Fail(err::kInvalidFunction);
  redirectionOff_ = !enabled;
  return true;
}

bool SimWin32::UtcToLocalTime(const CivilTime& utc, CivilTime& local) {
  if (!machine_.timeZoneAvailable) return Fail(err::kInvalidFunction);
  const std::int64_t minutes = (DaysFromCivil(utc.year, utc.month, utc.day) * 24 + utc.hour) * 60 +
                               utc.minute - machine_.timeZoneBiasMinutes;
  const std::int64_t days = minutes >= 0 ? minutes / 1440 : -((-minutes + 1439) / 1440);
  const std::int64_t inDay = minutes - days * 1440;
  const CivilDate date = CivilFromDays(days);
  local.year = date.year;
  local.month = date.month;
  local.day = date.day;
  local.hour = static_cast<int>(inDay / 60);
  local.minute = static_cast<int>(inDay % 60);
  local.second = utc.second;
  return true;
}

// ---- files and devices

Handle SimWin32::CreateFile(const std::string& rawPath, std::uint32_t desiredAccess,
                            std::uint32_t, std::uint32_t creationDisposition, std::uint32_t) {
  // "\\.\NAME" names a device; so does a device-interface path "\\?\..." of one.
  const bool interfacePath = rawPath.rfind("\\\\?\\", 0) == 0 && machine_.FindDevice(rawPath);
  if (rawPath.rfind("\\\\.\\", 0) == 0 || interfacePath) {
    auto device = machine_.FindDevice(rawPath);
    if (!device) {
      Fail(err::kFileNotFound);
      return kInvalidHandle;
    }
    const bool admin = std::any_of(machine_.token.groups.begin(), machine_.token.groups.end(),
                                   [](const SidAndAttributes& g) {
                                     return g.sid == Machine::AdministratorsSid() &&
                                            (g.attributes & group_attr::kUseForDenyOnly) == 0;
                                   });
    if (!device->CanOpen(admin)) {
      Fail(err::kAccessDenied);
      return kInvalidHandle;
    }
    Handle h = NewHandle();
    devices_[h] = device;
    return h;
  }

  const std::string path = Redirect(rawPath);
  FileSystem& fs = machine_.files;
  if (fs.IsDirectory(path)) {
    Fail(err::kAccessDenied);
    return kInvalidHandle;
  }
  FileSystem::File* file = fs.Find(path);
  const bool parentMissing = !ParentPath(path).empty() && !fs.IsDirectory(ParentPath(path));
  switch (creationDisposition) {
    case disposition::kOpenExisting:
    case disposition::kTruncateExisting:
      if (!file) {
        Fail(parentMissing ? err::kPathNotFound : err::kFileNotFound);
        return kInvalidHandle;
      }
      break;
    case disposition::kCreateNew:
      if (file) {
        Fail(err::kFileExists);
        return kInvalidHandle;
      }
      break;
    default:
      break;
  }
  const bool creates = !file || creationDisposition == disposition::kCreateAlways ||
                       creationDisposition == disposition::kTruncateExisting;
  if (fs.OpenFails(path) || (creates && fs.CreateFails(path))) {
    Fail(err::kAccessDenied);
    return kInvalidHandle;
  }
  if (!file) {
    if (parentMissing) {
      Fail(err::kPathNotFound);
      return kInvalidHandle;
    }
    file = fs.Create(path);
  } else if (creates) {
    file->data.clear();
  }
  Handle h = NewHandle();
  OpenFile open;
  open.path = path;
  open.canRead = (desiredAccess & access::kGenericRead) != 0;
  open.canWrite = (desiredAccess & access::kGenericWrite) != 0;
  files_[h] = open;
  lastError_ = (file && !creates && creationDisposition == disposition::kOpenAlways) ? err::kAlreadyExists : 0;
  return h;
}

bool SimWin32::ReadFile(Handle h, Bytes buffer, std::uint32_t& read) {
  read = 0;
  auto it = files_.find(h);
  if (it == files_.end()) return Fail(err::kInvalidHandle);
  OpenFile& open = it->second;
  if (!open.canRead) return Fail(err::kAccessDenied);
  if (machine_.files.ReadFails(open.path)) return Fail(err::kReadFault);
  FileSystem::File* file = machine_.files.Find(open.path);
  if (!file) return Fail(err::kInvalidHandle);
  if (open.position < file->data.size()) {
    const std::size_t n = std::min<std::size_t>(buffer.size(), static_cast<std::size_t>(file->data.size() - open.position));
    std::memcpy(buffer.data(), file->data.data() + open.position, n);
    open.position += n;
    read = static_cast<std::uint32_t>(n);
  }
  return true;
}

bool SimWin32::WriteFile(Handle h, ConstBytes data, std::uint32_t& written) {
  written = 0;
  auto it = files_.find(h);
  if (it == files_.end()) return Fail(err::kInvalidHandle);
  OpenFile& open = it->second;
  if (!open.canWrite) return Fail(err::kAccessDenied);
  if (machine_.files.WriteFails(open.path)) return Fail(err::kWriteFault);
  FileSystem::File* file = machine_.files.Find(open.path);
  if (!file) return Fail(err::kInvalidHandle);
  if (machine_.files.WritesShort(open.path) && !data.empty()) data = data.first(data.size() - 1);
  const std::uint64_t end = open.position + data.size();
  const std::uint64_t growth = end > file->data.size() ? end - file->data.size() : 0;
  if (!machine_.files.HasRoomFor(growth)) return Fail(err::kDiskFull);
  if (end > file->data.size()) file->data.resize(static_cast<std::size_t>(end));
  if (!data.empty()) std::memcpy(file->data.data() + open.position, data.data(), data.size());
  open.position = end;
  written = static_cast<std::uint32_t>(data.size());
  return true;
}

bool SimWin32::GetFileSize(Handle h, std::uint64_t& size) {
  auto it = files_.find(h);
  if (it == files_.end()) return Fail(err::kInvalidHandle);
  FileSystem::File* file = machine_.files.Find(it->second.path);
  if (!file) return Fail(err::kInvalidHandle);
  size = file->data.size();
  return true;
}

bool SimWin32::SetFilePointer(Handle h, std::int64_t distance, std::uint32_t method,
                              std::uint64_t& position) {
  auto it = files_.find(h);
  if (it == files_.end()) return Fail(err::kInvalidHandle);
  FileSystem::File* file = machine_.files.Find(it->second.path);
  if (!file) return Fail(err::kInvalidHandle);
  std::int64_t base = 0;
  if (method == 1) base = static_cast<std::int64_t>(it->second.position);
  if (method == 2) base = static_cast<std::int64_t>(file->data.size());
  if (method > 2 || base + distance < 0) return Fail(err::kInvalidParameter);
  it->second.position = static_cast<std::uint64_t>(base + distance);
  position = it->second.position;
  return true;
}

bool SimWin32::CloseHandle(Handle h) {
  if (files_.erase(h) || devices_.erase(h) || tokens_.erase(h)) return true;
  return Fail(err::kInvalidHandle);
}

std::uint32_t SimWin32::GetFileAttributes(const std::string& rawPath) {
  const std::string path = Redirect(rawPath);
  if (machine_.files.IsDirectory(path)) return kFileAttributeDirectory;
  if (machine_.files.Find(path)) return kFileAttributeNormal;
  Fail(err::kFileNotFound);
  return kInvalidFileAttributes;
}

bool SimWin32::DeleteFile(const std::string& rawPath) {
  const std::string path = Redirect(rawPath);
  if (!machine_.files.Find(path)) return Fail(err::kFileNotFound);
  if (machine_.files.CreateFails(path)) return Fail(err::kAccessDenied);
  machine_.files.Remove(path);
  return true;
}

bool SimWin32::CreateDirectory(const std::string& rawPath) {
  const std::string path = Redirect(rawPath);
  if (machine_.files.Exists(path)) return Fail(err::kAlreadyExists);
  const std::string parent = ParentPath(path);
  if (!parent.empty() && !machine_.files.IsDirectory(parent)) return Fail(err::kPathNotFound);
  if (machine_.files.CreateFails(path)) return Fail(err::kAccessDenied);
  machine_.files.AddDirectory(path);
  return true;
}

bool SimWin32::DeviceIoControl(Handle h, std::uint32_t code, ConstBytes in, Bytes out,
                               std::uint32_t& returned) {
  returned = 0;
  auto it = devices_.find(h);
  if (it == devices_.end()) {
    // A file handle takes no device requests.
    return Fail(files_.count(h) ? err::kInvalidFunction : err::kInvalidHandle);
  }
  std::uint32_t error = 0;
  if (!it->second->Control(code, in, out, returned, error)) return Fail(error);
  return true;
}

// ---- registry

bool SimWin32::ResolveKey(Handle key, Handle& root, std::string& path) const {
  if (key >= hkey::kClassesRoot && key <= hkey::kDynData) {
    root = key;
    path.clear();
    return true;
  }
  auto it = keys_.find(key);
  if (it == keys_.end()) return false;
  root = it->second.root;
  path = it->second.path;
  return true;
}

std::int32_t SimWin32::OpenKeyCommon(Handle parent, const std::string& subKey, bool create,
                                     Handle& key) {
  Handle root = 0;
  std::string base;
  if (!ResolveKey(parent, root, base)) return static_cast<std::int32_t>(err::kInvalidHandle);
  const std::string path = base.empty() ? subKey : base + "\\" + subKey;
  Registry& reg = machine_.registry;
  if (reg.OpenFails(root, path)) return static_cast<std::int32_t>(err::kAccessDenied);
  if (!reg.Find(root, path)) {
    if (!create) return static_cast<std::int32_t>(err::kFileNotFound);
    if (!reg.Find(root, "")) return static_cast<std::int32_t>(err::kFileNotFound);
    reg.Create(root, path);
  }
  key = NewHandle();
  keys_[key] = OpenKey{root, Registry::KeyPath(path)};
  return 0;
}

std::int32_t SimWin32::RegOpenKeyEx(Handle root, const std::string& subKey, std::uint32_t,
                                    Handle& key) {
  return OpenKeyCommon(root, subKey, false, key);
}

std::int32_t SimWin32::RegCreateKeyEx(Handle root, const std::string& subKey, std::uint32_t,
                                      Handle& key) {
  return OpenKeyCommon(root, subKey, true, key);
}

std::int32_t SimWin32::RegQueryValueEx(Handle key, const std::string& name, std::uint32_t& type,
                                       Bytes buffer, std::uint32_t& size) {
  Handle root = 0;
  std::string path;
  if (!ResolveKey(key, root, path)) return static_cast<std::int32_t>(err::kInvalidHandle);
  if (machine_.registry.onRead) machine_.registry.onRead(root, path, name);
  const Registry::Value* value = machine_.registry.GetValue(root, path, name);
  if (!value) return static_cast<std::int32_t>(err::kFileNotFound);
  type = value->type;
  const auto length = static_cast<std::uint32_t>(value->data.size());
  if (buffer.empty()) {
    size = length;
    return 0;
  }
  const std::uint32_t capacity = std::min<std::uint32_t>(size, static_cast<std::uint32_t>(buffer.size()));
  size = length;
  if (length > capacity) return static_cast<std::int32_t>(err::kMoreData);
  std::memcpy(buffer.data(), value->data.data(), length);
  return 0;
}

std::int32_t SimWin32::RegSetValueEx(Handle key, const std::string& name, std::uint32_t type,
                                     ConstBytes data) {
  Handle root = 0;
  std::string path;
  if (!ResolveKey(key, root, path)) return static_cast<std::int32_t>(err::kInvalidHandle);
  if (machine_.registry.WriteFails(root, path)) return static_cast<std::int32_t>(err::kAccessDenied);
  if (machine_.registry.WriteReverted(root, path, name)) return 0;
  machine_.registry.SetValue(root, path, name, type, std::vector<std::uint8_t>(data.begin(), data.end()));
  return 0;
}

std::int32_t SimWin32::RegDeleteValue(Handle key, const std::string& name) {
  Handle root = 0;
  std::string path;
  if (!ResolveKey(key, root, path)) return static_cast<std::int32_t>(err::kInvalidHandle);
  if (machine_.registry.WriteFails(root, path)) return static_cast<std::int32_t>(err::kAccessDenied);
  return machine_.registry.DeleteValue(root, path, name) ? 0 : static_cast<std::int32_t>(err::kFileNotFound);
}

std::int32_t SimWin32::RegCloseKey(Handle key) {
  if (key >= hkey::kClassesRoot && key <= hkey::kDynData) return 0;
  return keys_.erase(key) ? 0 : static_cast<std::int32_t>(err::kInvalidHandle);
}

// ---- security

bool SimWin32::OpenProcessToken(std::uint32_t, Handle& token) {
  if (!machine_.IsNt()) return Fail(120);  // ERROR_CALL_NOT_IMPLEMENTED
  if (machine_.token.openFails) return Fail(err::kAccessDenied);
  token = NewHandle();
  tokens_[token] = 1;
  return true;
}

bool SimWin32::GetTokenGroups(Handle token, std::uint32_t bufferSize,
                              std::vector<SidAndAttributes>& groups) {
  if (!tokens_.count(token)) return Fail(err::kInvalidHandle);
  // TOKEN_GROUPS: the count, an array of {SID pointer, attributes}, then the SIDs.
  const bool wide = bitness_ == Bitness::X64;
  std::size_t need = wide ? 8 : 4;
  for (const auto& g : machine_.token.groups) {
    need += (wide ? 16 : 8) + 8 + 4 * g.sid.subAuthorities.size();
  }
  if (need > bufferSize) return Fail(err::kInsufficientBuffer);
  groups = machine_.token.groups;
  return true;
}

bool SimWin32::LookupPrivilegeValue(const std::string& name, std::uint64_t& luid) {
  for (const auto& p : kPrivileges) {
    if (EqualsIgnoreCase(p.name, name)) {
      luid = p.luid;
      return true;
    }
  }
  return Fail(1313);  // ERROR_NO_SUCH_PRIVILEGE
}

bool SimWin32::AdjustTokenPrivilege(Handle token, std::uint64_t luid, bool enable) {
  if (!tokens_.count(token)) return Fail(err::kInvalidHandle);
  for (const auto& p : kPrivileges) {
    if (p.luid != luid) continue;
    auto it = machine_.token.privileges.find(p.name);
    if (it == machine_.token.privileges.end() || !it->second.held) {
      lastError_ = err::kNotAllAssigned;
      return true;
    }
    it->second.enabled = enable;
    lastError_ = 0;
    return true;
  }
  return Fail(err::kInvalidParameter);
}

bool SimWin32::CloseToken(Handle token) {
  return tokens_.erase(token) ? true : Fail(err::kInvalidHandle);
}

// ---- services

Handle SimWin32::OpenSCManager(std::uint32_t) {
  if (!machine_.IsNt()) {
    Fail(120);
    return kNullHandle;
  }
  if (machine_.services.ManagerFails()) {
    Fail(err::kAccessDenied);
    return kNullHandle;
  }
  Handle h = NewHandle();
  services_[h] = ServiceEntry{};
  return h;
}

Handle SimWin32::CreateService(Handle manager, const std::string& name, const std::string& displayName,
                               std::uint32_t, std::uint32_t type, std::uint32_t startType,
                               const std::string& binaryPath) {
  if (!services_.count(manager)) {
    Fail(err::kInvalidHandle);
    return kNullHandle;
  }
  if (machine_.services.Find(name)) {
    Fail(kErrorServiceExists);
    return kNullHandle;
  }
  auto& s = machine_.services.Add(name, type, startType, binaryPath, service_state::kStopped);
  s.displayName = displayName;
  Handle h = NewHandle();
  services_[h] = ServiceEntry{name};
  return h;
}

Handle SimWin32::OpenService(Handle manager, const std::string& name, std::uint32_t) {
  if (!services_.count(manager)) {
    Fail(err::kInvalidHandle);
    return kNullHandle;
  }
  if (!machine_.services.Find(name)) {
    Fail(kErrorServiceDoesNotExist);
    return kNullHandle;
  }
  Handle h = NewHandle();
  services_[h] = ServiceEntry{name};
  return h;
}

bool SimWin32::StartService(Handle service) {
  auto it = services_.find(service);
  if (it == services_.end() || it->second.name.empty()) return Fail(err::kInvalidHandle);
  auto* s = machine_.services.Find(it->second.name);
  if (!s) return Fail(1072);  // ERROR_SERVICE_MARKED_FOR_DELETE
  const std::uint32_t error = machine_.services.Start(*s);
  return error == 0 ? true : Fail(error);
}

bool SimWin32::QueryServiceStatus(Handle service, std::uint32_t& currentState) {
  auto it = services_.find(service);
  if (it == services_.end() || it->second.name.empty()) return Fail(err::kInvalidHandle);
  auto* s = machine_.services.Find(it->second.name);
  if (!s) return Fail(1072);
  currentState = s->state;
  return true;
}

bool SimWin32::ControlService(Handle service, std::uint32_t control, std::uint32_t& currentState) {
  auto it = services_.find(service);
  if (it == services_.end() || it->second.name.empty()) return Fail(err::kInvalidHandle);
  auto* s = machine_.services.Find(it->second.name);
  if (!s) return Fail(1072);
  if (control != service_control::kStop) return Fail(err::kInvalidParameter);
  const std::uint32_t error = machine_.services.Stop(*s);
  currentState = s->state;
  return error == 0 ? true : Fail(error);
}

bool SimWin32::DeleteService(Handle service) {
  auto it = services_.find(service);
  if (it == services_.end() || it->second.name.empty()) return Fail(err::kInvalidHandle);
  return machine_.services.Remove(it->second.name) ? true : Fail(1072);
}

bool SimWin32::CloseServiceHandle(Handle object) {
  return services_.erase(object) ? true : Fail(err::kInvalidHandle);
}

std::size_t SimWin32::OpenHandleCount() const {
  return files_.size() + devices_.size() + keys_.size() + tokens_.size() + services_.size();
}

}  // namespace qz::sim
