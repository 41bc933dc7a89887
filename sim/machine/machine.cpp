#include "sim/machine/machine.hpp"

#include <ostream>

#include "platform/registry_api.hpp"
#include "platform/text.hpp"
#include "sim/machine/path.hpp"

namespace qz::sim {
namespace {

struct Release {
  Windows id;
  std::uint32_t platform, major, minor, build;
  const char* csd;
  std::uint16_t spMajor, suites;
  std::uint8_t productType;
  std::uint16_t arch;
  int serverR2;
  const char* productOptions;  // "ProductType" under ProductOptions
};

constexpr std::uint8_t kWs = 1, kSrv = 3;
constexpr std::uint16_t kX86 = 0, kX64 = 9;

constexpr Release kReleases[] = {
    {Windows::Win95, 1, 4, 0, 950, "", 0, 0, 0, kX86, 0, nullptr},
    {Windows::Win95Osr2, 1, 4, 0, 1111, " B", 0, 0, 0, kX86, 0, nullptr},
    {Windows::Win98, 1, 4, 10, 1998, "", 0, 0, 0, kX86, 0, nullptr},
    {Windows::Win98Se, 1, 4, 10, 2222, " A ", 0, 0, 0, kX86, 0, nullptr},
    {Windows::WinMe, 1, 4, 90, 3000, " ", 0, 0, 0, kX86, 0, nullptr},
    {Windows::Nt4Sp6a, 2, 4, 0, 1381, "Service Pack 6", 6, 0, kWs, kX86, 0, "WinNT"},
    {Windows::Win2000, 2, 5, 0, 2195, "Service Pack 4", 4, 0, kWs, kX86, 0, "WinNT"},
    {Windows::XpHome, 2, 5, 1, 2600, "Service Pack 3", 3, 0x0200 | 0x0100, kWs, kX86, 0, "WinNT"},
    {Windows::XpPro, 2, 5, 1, 2600, "Service Pack 3", 3, 0x0100, kWs, kX86, 0, "WinNT"},
    {Windows::XpProX64, 2, 5, 2, 3790, "Service Pack 2", 2, 0x0100, kWs, kX64, 0, "WinNT"},
    {Windows::Server2003, 2, 5, 2, 3790, "Service Pack 2", 2, 0x0100, kSrv, kX86, 0, "ServerNT"},
    {Windows::Server2003X64, 2, 5, 2, 3790, "Service Pack 2", 2, 0x0100, kSrv, kX64, 0, "ServerNT"},
    {Windows::Server2003R2, 2, 5, 2, 3790, "Service Pack 2", 2, 0x0100, kSrv, kX86, 1, "ServerNT"},
    {Windows::VistaX86, 2, 6, 0, 6002, "Service Pack 2", 2, 0x0100, kWs, kX86, 0, "WinNT"},
    {Windows::VistaX64, 2, 6, 0, 6002, "Service Pack 2", 2, 0x0100, kWs, kX64, 0, "WinNT"},
    {Windows::Server2008X86, 2, 6, 0, 6002, "Service Pack 2", 2, 0x0110, kSrv, kX86, 0, "ServerNT"},
    {Windows::Server2008X64, 2, 6, 0, 6002, "Service Pack 2", 2, 0x0110, kSrv, kX64, 0, "ServerNT"},
    {Windows::Server2008R2, 2, 6, 1, 7601, "Service Pack 1", 1, 0x0110, kSrv, kX64, 0, "ServerNT"},
    {Windows::Win7X86, 2, 6, 1, 7601, "Service Pack 1", 1, 0x0100, kWs, kX86, 0, "WinNT"},
    {Windows::Win7X64, 2, 6, 1, 7601, "Service Pack 1", 1, 0x0100, kWs, kX64, 0, "WinNT"},
    {Windows::Win8X86, 2, 6, 2, 9200, "", 0, 0x0100, kWs, kX86, 0, "WinNT"},
    {Windows::Win8X64, 2, 6, 2, 9200, "", 0, 0x0100, kWs, kX64, 0, "WinNT"},
    {Windows::Win81X86, 2, 6, 3, 9600, "", 0, 0x0100, kWs, kX86, 0, "WinNT"},
    {Windows::Win81X64, 2, 6, 3, 9600, "", 0, 0x0100, kWs, kX64, 0, "WinNT"},
    {Windows::Win10X86, 2, 10, 0, 19045, "", 0, 0x0100, kWs, kX86, 0, "WinNT"},
    {Windows::Win10X64, 2, 10, 0, 19045, "", 0, 0x0100, kWs, kX64, 0, "WinNT"},
    {Windows::Win11X64, 2, 10, 0, 22631, "", 0, 0x0100, kWs, kX64, 0, "WinNT"},
};

const char* const kProductOptions = "SYSTEM\\CurrentControlSet\\Control\\ProductOptions";

}  // namespace

const char* WindowsName(Windows release) {
  switch (release) {
    case Windows::Win95: return "Win95";
    case Windows::Win95Osr2: return "Win95Osr2";
    case Windows::Win98: return "Win98";
    case Windows::Win98Se: return "Win98Se";
    case Windows::WinMe: return "WinMe";
    case Windows::Nt4Sp6a: return "Nt4Sp6a";
    case Windows::Win2000: return "Win2000";
    case Windows::XpHome: return "XpHome";
    case Windows::XpPro: return "XpPro";
    case Windows::XpProX64: return "XpProX64";
    case Windows::Server2003: return "Server2003";
    case Windows::Server2003X64: return "Server2003X64";
    case Windows::Server2003R2: return "Server2003R2";
    case Windows::VistaX86: return "VistaX86";
    case Windows::VistaX64: return "VistaX64";
    case Windows::Server2008X86: return "Server2008X86";
    case Windows::Server2008X64: return "Server2008X64";
    case Windows::Server2008R2: return "Server2008R2";
    case Windows::Win7X86: return "Win7X86";
    case Windows::Win7X64: return "Win7X64";
    case Windows::Win8X86: return "Win8X86";
    case Windows::Win8X64: return "Win8X64";
    case Windows::Win81X86: return "Win81X86";
    case Windows::Win81X64: return "Win81X64";
    case Windows::Win10X86: return "Win10X86";
    case Windows::Win10X64: return "Win10X64";
    case Windows::Win11X64: return "Win11X64";
  }
  return "?";
}

void PrintTo(Windows release, std::ostream* out) { *out << WindowsName(release); }

Machine::Machine(Windows release) {
  SetRelease(release);
  files.AddDirectory("C:\\");
  files.AddDirectory(windowsDirectory);
  files.AddDirectory(SystemDirectory());
  files.AddDirectory(SystemDirectory() + "\\drivers");
  if (Is64Bit()) {
    files.AddDirectory(Wow64Directory());
    files.AddDirectory(Wow64Directory() + "\\drivers");
  }
  files.AddDirectory(TempDirectory());
  registry.Create(hkey::kLocalMachine,
                  "SYSTEM\\CurrentControlSet\\Control\\Session Manager");
  SetAdministrator(true);
  token.groups.insert(token.groups.begin(),
                      SidAndAttributes{Sid{{0, 0, 0, 0, 0, 1}, {0}}, 0x7});  // Everyone
  token.privileges["SeShutdownPrivilege"] = {true, false};
  token.privileges["SeLoadDriverPrivilege"] = {true, false};
  registry.onRead = [this](Handle root, const std::string& path, const std::string& name) {
    if (root != hkey::kDynData || !EqualsIgnoreCase(name, "KERNEL\\CPUUsage")) return;
    if (path == "PERFSTATS\\STARTSTAT") cpuStatisticRunning = true;
    if (path == "PERFSTATS\\STOPSTAT") cpuStatisticRunning = false;
  };
}

void Machine::SetRelease(Windows release) {
  for (const auto& r : kReleases) {
    if (r.id != release) continue;
    version = OsVersionInfo{};
    version.platformId = r.platform;
    version.majorVersion = r.major;
    version.minorVersion = r.minor;
    version.buildNumber = r.build;
    version.csdVersion = r.csd;
    version.servicePackMajor = r.spMajor;
    version.suiteMask = r.suites;
    version.productType = r.productType;
    nativeArchitecture = r.arch;
    serverR2Metric = r.serverR2;
    // Windows 9x does not take the extended structure.
    extendedVersionInfo = r.platform == 2;
    if (r.productOptions) {
      registry.SetString(hkey::kLocalMachine, kProductOptions, "ProductType", r.productOptions);
    }
    const bool nt = r.platform == 2;
    const bool xpOrLater = nt && (r.major > 5 || (r.major == 5 && r.minor >= 1));
    exports["kernel32"] = {"GetSystemInfo", "GetVersionExA", "LoadLibraryA"};
    if (xpOrLater) {
      exports["kernel32"].insert("GetNativeSystemInfo");
      exports["kernel32"].insert("IsWow64Process");
    }
    exports["advapi32"] = {"OpenProcessToken", "GetTokenInformation", "AllocateAndInitializeSid",
                           "FreeSid", "LookupPrivilegeValueA", "AdjustTokenPrivileges"};
    if (nt && r.major >= 5) exports["advapi32"].insert("CheckTokenMembership");
    if (nt) exports["ntdll"] = {"NtQuerySystemInformation"};
    if (!nt) {
      registry.Create(hkey::kDynData, "PerfStats\\StartStat");
      registry.Create(hkey::kDynData, "PerfStats\\StatData");
      registry.Create(hkey::kDynData, "PerfStats\\StopStat");
      for (const char* key : {"PerfStats\\StartStat", "PerfStats\\StatData", "PerfStats\\StopStat"}) {
        registry.SetValue(hkey::kDynData, key, "KERNEL\\CPUUsage", reg_type::kBinary, {0, 0, 0, 0});
      }
    }
    return;
  }
}

void Machine::RemoveExport(const std::string& module, const std::string& name) {
  auto it = exports.find(module);
  if (it != exports.end()) it->second.erase(name);
}

void Machine::AddDevice(const std::string& name, std::shared_ptr<Device> device) {
  devices_[PathKey(name)] = std::move(device);
}

std::shared_ptr<Device> Machine::FindDevice(const std::string& name) const {
  auto it = devices_.find(PathKey(name));
  return it == devices_.end() ? nullptr : it->second;
}

Sid Machine::AdministratorsSid() { return Sid{{0, 0, 0, 0, 0, 5}, {32, 544}}; }

void Machine::SetAdministrator(bool member, std::uint32_t attributes) {
  std::erase_if(token.groups, [](const SidAndAttributes& g) { return g.sid == AdministratorsSid(); });
  if (member) token.groups.push_back({AdministratorsSid(), attributes});
}

}  // namespace qz::sim
