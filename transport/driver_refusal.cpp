#include "transport/driver_refusal.hpp"

#include "transport/os_version_code.hpp"
#include "transport/system_info.hpp"

namespace qz {

std::string RegisterAccessRefusal(Win32Api& os) {
  OsVersionInfo vi;
  if (!os.GetVersionEx(vi, false) || vi.platformId != platform_id::kNt) return {};
  const bool eightOrLater = vi.majorVersion > 6 || (vi.majorVersion == 6 && vi.minorVersion >= 2);
  if (!eightOrLater) return {};
  // The block list holds for signed drivers too, so it is named before the signature.
  if (vi.majorVersion > 10 || (vi.majorVersion == 10 && vi.buildNumber >= kWindows11FirstBuild)) {
    return "not loaded: Windows 11 blocks drivers that give physical-memory or port access, "
           "even when they are signed";
  }
  SystemInfo system(os);
  if (system.IsWow64Process32()) return "not loaded: 64-bit Windows refuses unsigned drivers";
  return "not loaded: from Windows 8 on the drives are reached through pass-through only";
}

}  // namespace qz
