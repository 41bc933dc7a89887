#include "transport/driver_installation.hpp"

#include <string>
#include <vector>

#include "platform/little_endian.hpp"
#include "transport/service_helpers.hpp"

namespace qz {
namespace {

bool IsNt(Win32Api& os) {
  OsVersionInfo info;
  return os.GetVersionEx(info, false) && info.platformId == platform_id::kNt;
}

bool IsWow64(Win32Api& os) {
  const Handle kernel = os.LoadLibrary("kernel32");
  if (kernel == kNullHandle) return false;
  bool wow64 = false;
  const bool known = os.HasProcAddress(kernel, "IsWow64Process") && os.IsWow64Process(wow64);
  os.FreeLibrary(kernel);
  return known && wow64;
}

void SetDword(Win32Api& os, Handle key, const char* name, std::uint32_t value) {
  std::uint8_t data[4] = {};
  le::Store32(data, value);
  os.RegSetValueEx(key, name, reg_type::kDword, data);
}

void SetText(Win32Api& os, Handle key, const char* name, std::uint32_t type, const std::string& text) {
  std::vector<std::uint8_t> data(text.begin(), text.end());
  data.push_back(0);
  os.RegSetValueEx(key, name, type, data);
}

// A key left by an earlier run may still ask for an automatic start: the driver then comes
// back at every restart. Turned into a demand start; a disabled service stays disabled.
void KeepDemandStart(Win32Api& os, Handle key) {
  std::uint8_t data[4] = {};
  std::uint32_t type = 0, size = sizeof(data);
  if (os.RegQueryValueEx(key, "Start", type, data, size) != 0 || type != reg_type::kDword ||
      size != 4) {
    return;
  }
  if (data[0] < service_start::kDemand && data[1] == 0 && data[2] == 0 && data[3] == 0) {
    SetDword(os, key, "Start", service_start::kDemand);
  }
}

// Failures here are ignored: the service manager writes the key again when it creates the
// service.
void WriteServiceKey(Win32Api& os, const DriverInstallation& what) {
  Handle key = kNullHandle;
  if (os.RegOpenKeyEx(hkey::kLocalMachine, what.serviceKey, key_access::kRead | key_access::kSetValue,
                      key) == 0) {
    KeepDemandStart(os, key);
    os.RegCloseKey(key);
    return;
  }
  if (os.RegCreateKeyEx(hkey::kLocalMachine, what.serviceKey, key_access::kAllAccess, key) != 0) return;
  SetDword(os, key, "Type", 1);
  // Started by the updater while it runs and stopped when it lets go: nothing of it runs
  // after a restart, even when the updater ended without letting go.
  SetDword(os, key, "Start", service_start::kDemand);
  SetDword(os, key, "ErrorControl", 1);
  SetText(os, key, "DisplayName", reg_type::kSz, what.displayName);
  SetText(os, key, "ImagePath", reg_type::kExpandSz,
          "\\??\\" + SystemPath(os, std::string("drivers\\") + what.driverFile));
  os.RegCloseKey(key);
}

// A running service is stopped before its file is replaced; one that will not stop is left
// running and the file is written anyway.
void StopIfRunning(Win32Api& os, const std::string& service) {
  if (IsServiceRunning(os, service) != ServiceState::Running) return;
  for (int i = 1; i <= 3; ++i) {
    StopServiceAndWait(os, service, 5 * i);
    if (IsServiceRunning(os, service) == ServiceState::NotRunning) return;
  }
}

// The whole image or nothing: a short write (a full disk, say) must not leave a truncated
// library or driver behind that the next start would take for a current one of another size
// or, worse, load.
bool WriteImage(Win32Api& os, const std::string& path, ConstBytes image) {
  const Handle file = os.CreateFile(path, access::kGenericWrite, 0, disposition::kCreateAlways,
                                    kFileAttributeNormal);
  if (file == kInvalidHandle) return false;
  std::uint32_t written = 0;
  const bool ok = os.WriteFile(file, image, written) && written == image.size();
  const bool closed = os.CloseHandle(file);
  if (!ok || !closed) {
    os.DeleteFile(path);
    return false;
  }
  return os.GetFileAttributes(path) != kInvalidFileAttributes;
}

// Redirection off for the 64-bit driver of a 32-bit process, so that it lands in the real
// system32\drivers where the service manager looks for it.
class NativeSystemDirectory {
 public:
  NativeSystemDirectory(FsRedirectionApi& fs, bool wow64) : fs_(fs) {
    if (wow64) active_ = fs_.Wow64DisableWow64FsRedirection(old_);
  }
  ~NativeSystemDirectory() {
    if (active_) fs_.Wow64RevertWow64FsRedirection(old_);
  }
  NativeSystemDirectory(const NativeSystemDirectory&) = delete;
  NativeSystemDirectory& operator=(const NativeSystemDirectory&) = delete;

 private:
  FsRedirectionApi& fs_;
  Handle old_ = kNullHandle;
  bool active_ = false;
};

}  // namespace

void StopDriverOnRelease(Win32Api& os, const DriverInstallation& what) {
  if (IsServiceRunning(os, what.serviceName) != ServiceState::Running) return;
  StopServiceAndWait(os, what.serviceName, kReleaseStopSeconds);
}

std::string SystemPath(Win32Api& os, const std::string& name) {
  std::string path = os.GetSystemDirectory();
  if (path.empty() || path.back() != '\\') path += '\\';
  return path + name;
}

bool RunDriverInstallation(Win32Api& os, FsRedirectionApi& fs, const DriverInstallation& what,
                           const LibraryImages& images) {
  const bool nt = IsNt(os);
  // No driver for Windows 9x is carried: fail before writing anything.
  if (!nt && !what.librarySufficesOn9x) return false;
  if (nt) WriteServiceKey(os, what);

  bool written = false;
  const std::string library = SystemPath(os, what.libraryFile);
  if (FileSizeOf(os, library) != images.library.size()) {
    if (nt) StopIfRunning(os, what.serviceName);
    if (!WriteImage(os, library, images.library)) return false;
    written = true;
  }
  if (!nt) return true;

  const bool wow64 = IsWow64(os);
  const ConstBytes driver = wow64 ? images.driverX64 : images.driverX86;
  bool needsStart = false;
  {
    NativeSystemDirectory native(fs, wow64);
    const std::string path = SystemPath(os, std::string("drivers\\") + what.driverFile);
    if (FileSizeOf(os, path) != driver.size()) {
      StopIfRunning(os, what.serviceName);
      if (!WriteImage(os, path, driver)) return false;
      written = true;
    } else if (IsServiceRunning(os, what.serviceName) != ServiceState::Running) {
      needsStart = true;
    }
  }
  if (written || needsStart) {
    CreateDriverService(os, what.serviceName);
    if (StartDriverService(os, what.serviceName) != ServiceOutcome::Done) return false;
    if (IsServiceRunning(os, what.serviceName) != ServiceState::Running) return false;
  }
  return true;
}

}  // namespace qz
