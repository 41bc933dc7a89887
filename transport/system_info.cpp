#include "transport/system_info.hpp"

#include <cstring>
#include <optional>
#include <string>

#include "platform/little_endian.hpp"
#include "platform/text.hpp"

namespace qz {
namespace {

constexpr std::uint32_t kSystemBasicInformation = 0;
constexpr std::uint32_t kSystemPerformanceInformation = 2;
constexpr std::uint32_t kSystemTimeOfDayInformation = 3;

constexpr char kCpuUsageValue[] = "KERNEL\\CPUUsage";

const Sid& AdministratorsSid() {
  static const Sid sid{{0, 0, 0, 0, 0, 5}, {32, 544}};
  return sid;
}

}  // namespace

SystemInfo::SystemInfo(Win32Api& api) : api_(api) {
  OsVersionInfo info;
  if (api_.GetVersionEx(info, false) && info.platformId == platform_id::kNt) {
    IsNt = 1;
    if (info.majorVersion == 4) IsNt4 = 1;
  }
  StartSampler();
}

SystemInfo::~SystemInfo() { StopSampler(); }

void SystemInfo::StartSampler() {
  if (IsNt) {
    Handle ntdll = api_.LoadLibrary("ntdll");
    if (ntdll == kNullHandle) return;
    if (api_.HasProcAddress(ntdll, "NtQuerySystemInformation")) {
      std::uint32_t returned = 0;
      api_.NtQuerySystemInformation(kSystemBasicInformation, BasicInfo, returned);
      api_.NtQuerySystemInformation(kSystemTimeOfDayInformation, TimeOfDayInfo, returned);
      api_.NtQuerySystemInformation(kSystemPerformanceInformation, PerformanceInfo, returned);
      StartIdleTime = static_cast<std::int64_t>(le::Load64(PerformanceInfo.data()));
      StartTime = static_cast<std::int64_t>(le::Load64(TimeOfDayInfo.data() + 8));  // CurrentTime follows BootTime
    }
    api_.FreeLibrary(ntdll);
    return;
  }
  // Windows 9x: reading the start key switches the system's processor-usage statistic on.
  Handle start = kNullHandle;
  if (api_.RegOpenKeyEx(hkey::kDynData, "PerfStats\\StartStat", key_access::kAllAccess, start) !=
      0) {
    return;
  }
  CpuUsageSize = 4;
  api_.RegQueryValueEx(start, kCpuUsageValue, CpuUsageType, CpuUsageData, CpuUsageSize);
  api_.RegCloseKey(start);
  api_.RegOpenKeyEx(hkey::kDynData, "PerfStats\\StatData", key_access::kRead, StatDataKey);
}

void SystemInfo::StopSampler() {
  if (IsNt) return;
  if (StatDataKey != kNullHandle) {
    api_.RegCloseKey(StatDataKey);
    StatDataKey = kNullHandle;
  }
  Handle stop = kNullHandle;
  if (api_.RegOpenKeyEx(hkey::kDynData, "PerfStats\\StopStat", key_access::kAllAccess, stop) != 0) {
    return;
  }
  CpuUsageSize = 4;
  api_.RegQueryValueEx(stop, kCpuUsageValue, CpuUsageType, CpuUsageData, CpuUsageSize);
  api_.RegCloseKey(stop);
}

bool SystemInfo::IsAdministrator() {
  Handle advapi = api_.LoadLibrary("advapi32.dll");
  if (advapi == kNullHandle) return false;
  for (const char* name : {"OpenProcessToken", "GetTokenInformation", "AllocateAndInitializeSid",
                           "CheckTokenMembership", "FreeSid"}) {
    if (!api_.HasProcAddress(advapi, name)) {
      api_.FreeLibrary(advapi);
      return false;
    }
  }
  bool member = false;
  Handle token = kNullHandle;
  if (api_.OpenProcessToken(token_access::kRead, token)) {
    std::vector<SidAndAttributes> groups;
    const bool read = api_.GetTokenGroups(token, 1024, groups);
    api_.CloseToken(token);
    // Attributes are not examined: a filtered (deny-only) Administrators group still counts.
    if (read) {
      for (const auto& group : groups) {
        if (group.sid == AdministratorsSid()) {
          member = true;
          break;
        }
      }
    }
  }
  api_.FreeLibrary(advapi);
  return member;
}

bool SystemInfo::ExitWindowsWithPrivilege(std::uint32_t flags) {
  if (!IsNt) return api_.ExitWindowsEx(flags | exit_flags::kForce, 0);
  Handle token = kNullHandle;
  if (!api_.OpenProcessToken(token_access::kAdjustPrivileges | token_access::kQuery, token)) {
    return false;
  }
  std::uint64_t luid = 0;
  api_.SetLastError(err::kSuccess);
  if (api_.LookupPrivilegeValue("SeShutdownPrivilege", luid)) {
    api_.AdjustTokenPrivilege(token, luid, true);
  }
  const std::uint32_t error = api_.GetLastError();
  api_.CloseToken(token);
  if (error != err::kSuccess) return false;
  return api_.ExitWindowsEx(flags | exit_flags::kForce, 0);
}

bool SystemInfo::RestartNow() { return ExitWindowsWithPrivilege(exit_flags::kReboot); }

bool SystemInfo::IsWow64Process32() {
  Handle kernel = api_.LoadLibrary("kernel32");
  if (kernel == kNullHandle) return false;
  bool wow64 = false;
  if (api_.HasProcAddress(kernel, "IsWow64Process")) {
    if (!api_.IsWow64Process(wow64)) wow64 = false;
  }
  api_.FreeLibrary(kernel);
  return wow64;
}

namespace {

// Win32s and Windows 9x, told apart by the version numbers and the service-pack letter.
OsVersionCode NineXFamilyCode(const OsVersionInfo& vi) {
  using namespace os_family;
  const std::uint32_t major = vi.majorVersion;
  const std::uint32_t minor = vi.minorVersion;
  const char sp1 = vi.csdVersion.size() > 1 ? vi.csdVersion[1] : '\0';
  if (vi.platformId == platform_id::kWin32s) return FamilyCode(kWin32s);
  if (major == 4 && minor == 0) {
    return FamilyCode(kWindows95) | ((sp1 == 'C' || sp1 == 'B') ? kSecondEditionMark : 0);
  }
  if (major == 4 && minor == 10) return FamilyCode(kWindows98) | (sp1 == 'A' ? kSecondEditionMark : 0);
  if (major == 4 && minor == 90) return FamilyCode(kWindowsMe);
  return 0;
}

// The edition bits of a server, from its suites, its release and its processor.
OsVersionCode ServerEdition(const OsVersionInfo& vi, std::uint16_t arch) {
  using namespace os_edition;
  const std::uint32_t major = vi.majorVersion;
  const std::uint32_t minor = vi.minorVersion;
  const std::uint16_t suites = vi.suiteMask;
  const bool datacenter = (suites & suite::kDatacenter) != 0;
  const bool enterprise = (suites & suite::kEnterprise) != 0;
  if (major == 5 && minor == 2) {
    if (arch == processor_arch::kIa64) {
      if (datacenter) return kDatacenter | os_processor::kIa64;
      if (enterprise) return kEnterprise | os_processor::kIa64;
      return 0;
    }
    if (arch == processor_arch::kAmd64) {
      if (datacenter) return kDatacenter | os_processor::kAmd64;
      if (enterprise) return kEnterprise | os_processor::kAmd64;
      return kServer | os_processor::kAmd64;
    }
    if (datacenter) return kDatacenter;
    if (enterprise) return kEnterprise;
    if (suites == suite::kBlade) return kWebBlade;
    return kServer;
  }
  if (major == 5 && minor == 0) {
    if (datacenter) return kDatacenter;
    if (enterprise) return kEnterprise;
    return kServer;
  }
  return enterprise ? kEnterprise : kServer;
}

// The family code with the edition bits that the extended version data gives.
OsVersionCode WithExtendedEdition(OsVersionCode code, const OsVersionInfo& vi,
                                  std::uint16_t arch) {
  using namespace os_edition;
  const bool workstation = vi.productType == product_type::kWorkstation;
  const bool server = vi.productType == product_type::kServer ||
                      vi.productType == product_type::kDomainController;
  if (workstation && arch != processor_arch::kAmd64) {
    if (vi.majorVersion == 4) return FamilyCode(os_family::kNt4) | kNtWorkstation;
    return code | ((vi.suiteMask & suite::kPersonal) ? kPersonal : kWorkstation);
  }
  if (server) return code | ServerEdition(vi, arch);
  return code;
}

}  // namespace

bool SystemInfo::ReadVersion(OsVersionInfo& vi, bool& extended) {
  extended = api_.GetVersionEx(vi, true);
  if (extended) return true;
  vi = OsVersionInfo{};
  if (!api_.GetVersionEx(vi, false)) return false;
  // Only the basic fields are filled: the extended ones read as zero.
  vi.servicePackMajor = vi.servicePackMinor = vi.suiteMask = 0;
  vi.productType = 0;
  return true;
}

std::uint16_t SystemInfo::NativeArchitecture() {
  std::uint16_t arch = 0;
  Handle kernel = api_.LoadLibrary("kernel32.dll");
  if (kernel != kNullHandle && api_.HasProcAddress(kernel, "GetNativeSystemInfo")) {
    arch = api_.GetNativeSystemInfoArchitecture();
  } else {
    arch = api_.GetSystemInfoArchitecture();
  }
  if (kernel != kNullHandle) api_.FreeLibrary(kernel);
  return arch;
}

OsVersionCode SystemInfo::NtFamilyCode(const OsVersionInfo& vi, std::uint16_t arch) {
  using namespace os_family;
  const std::uint32_t major = vi.majorVersion;
  const std::uint32_t minor = vi.minorVersion;
  const bool workstation = vi.productType == product_type::kWorkstation;
  OsVersionCode code = 0;
  if (major == 10 && minor == 0) {
    // Servers on 10.0 stay with Windows 10, whatever their build.
    code = FamilyCode(workstation && vi.buildNumber >= kWindows11FirstBuild ? kWindows11 : kWindows10);
  }
  if (major == 6 && minor == 3) code = FamilyCode(kWindows81);
  if (major == 6 && minor == 2) code = FamilyCode(kWindows8);
  if (major == 6 && minor == 1) code = FamilyCode(workstation ? kWindows7 : kServer2008R2);
  if (major == 6 && minor == 0) code = FamilyCode(workstation ? kVista : kServer2008);
  if (major == 5 && minor == 2) {
    if (api_.GetSystemMetrics(kSmServerR2) != 0) {
      code = FamilyCode(kServer2003R2);
    } else if (workstation && arch == processor_arch::kAmd64) {
      code = FamilyCode(kWindowsXp) | os_edition::kWorkstation | os_processor::kAmd64;
    } else {
      code = FamilyCode(kServer2003);
    }
  }
  if (major == 5 && minor == 1) code = FamilyCode(kWindowsXp);
  if (major == 5 && minor == 0) code = FamilyCode(kWindows2000);
  if (major <= 4) code = FamilyCode(kNt4);
  return code;
}

std::optional<OsVersionCode> SystemInfo::ProductOptionsEdition() {
  Handle key = kNullHandle;
  if (api_.RegOpenKeyEx(hkey::kLocalMachine, "SYSTEM\\CurrentControlSet\\Control\\ProductOptions",
                        key_access::kQueryValue, key) != 0) {
    return std::nullopt;
  }
  std::uint8_t buffer[80] = {};
  std::uint32_t type = 0;
  std::uint32_t size = sizeof(buffer);
  const std::int32_t result = api_.RegQueryValueEx(key, "ProductType", type, buffer, size);
  api_.RegCloseKey(key);
  if (result != 0 || size > sizeof(buffer)) return std::nullopt;
  const std::string productType(reinterpret_cast<const char*>(buffer),
                                strnlen(reinterpret_cast<const char*>(buffer), size));
  OsVersionCode edition = 0;
  if (EqualsIgnoreCase(productType, "WINNT")) edition |= os_edition::kNtWorkstation;
  if (EqualsIgnoreCase(productType, "LANMANNT")) edition |= os_edition::kServer;
  if (EqualsIgnoreCase(productType, "SERVERNT")) edition |= os_edition::kEnterprise;
  return edition;
}

OsVersionCode SystemInfo::ServicePackCode(const OsVersionInfo& vi) {
  const OsVersionCode servicePack = qz::ServicePackCode(vi.servicePackMajor);
  if (vi.majorVersion != 4 || !EqualsIgnoreCase(vi.csdVersion, "Service Pack 6")) {
    return servicePack;
  }
  Handle hotfix = kNullHandle;
  if (api_.RegOpenKeyEx(hkey::kLocalMachine,
                        "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Hotfix\\Q246009",
                        key_access::kQueryValue, hotfix) != 0) {
    return servicePack;
  }
  api_.RegCloseKey(hotfix);
  return kNt4Sp6aMark;
}

OsVersionCode SystemInfo::GetOsVersionCode() {
  OsVersionInfo vi;
  bool extended = false;
  if (!ReadVersion(vi, extended)) return 0;
  const std::uint16_t arch = NativeArchitecture();
  if (vi.platformId == platform_id::kWin32s || vi.platformId == platform_id::kWindows) {
    return NineXFamilyCode(vi);
  }
  if (vi.platformId != platform_id::kNt) return 0;

  OsVersionCode code = NtFamilyCode(vi, arch);
  if (extended) {
    code = WithExtendedEdition(code, vi, arch);
  } else {
    const std::optional<OsVersionCode> edition = ProductOptionsEdition();
    if (!edition) return 0;
    code |= *edition;
  }
  return code | ServicePackCode(vi);
}

}  // namespace qz
