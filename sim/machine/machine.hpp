#pragma once
// One simulated Windows machine: its version and processor, file system, registry, services,
// devices, user token, power, clock and the record of what programs asked of it.
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/security_api.hpp"
#include "platform/system_api.hpp"
#include "sim/devices/access_drivers.hpp"
#include "sim/devices/ata_drive.hpp"
#include "sim/machine/clock.hpp"
#include "sim/devices/device.hpp"
#include "sim/devices/device_tree.hpp"
#include "sim/machine/file_system.hpp"
#include "sim/devices/io_ports.hpp"
#include "sim/devices/pci.hpp"
#include "sim/devices/physical_memory.hpp"
#include "sim/machine/registry.hpp"
#include "sim/machine/services.hpp"
#include "sim/machine/wmi_repository.hpp"
#include "sim/machine/user_buffers.hpp"

namespace qz::sim {

// The Windows releases a machine can be made as.
enum class Windows {
  Win95, Win95Osr2, Win98, Win98Se, WinMe,
  Nt4Sp6a, Win2000,
  XpHome, XpPro, XpProX64,
  Server2003, Server2003X64, Server2003R2,
  VistaX86, VistaX64, Server2008X86, Server2008X64, Server2008R2,
  Win7X86, Win7X64,
  Win8X86, Win8X64, Win81X86, Win81X64, Win10X86, Win10X64, Win11X64,
};

// The release's name as the enumerator spells it ("XpProX64"), for test names and messages.
const char* WindowsName(Windows release);
// How test frameworks print a release.
void PrintTo(Windows release, std::ostream* out);

struct RestartRequest {
  std::uint32_t flags = 0;
  std::uint32_t reason = 0;
};

struct ShellLaunch {
  std::string verb, file, parameters, directory;
  int show = 0;
};

struct Token {
  std::vector<SidAndAttributes> groups;
  struct Privilege {
    bool held = false;
    bool enabled = false;
  };
  std::map<std::string, Privilege> privileges;  // by name, e.g. "SeShutdownPrivilege"
  bool openFails = false;
};

class Machine {
 public:
  // A machine of the given release, with an administrator logged on, on AC power.
  explicit Machine(Windows release = Windows::Win7X64);

  // --- version and processor
  OsVersionInfo version;
  bool extendedVersionInfo = true;  // whether GetVersionEx takes the extended structure
  bool basicVersionInfo = true;
  std::uint16_t nativeArchitecture = 0;
  int serverR2Metric = 0;  // GetSystemMetrics(SM_SERVERR2)
  bool Is64Bit() const { return nativeArchitecture != 0; }
  bool IsNt() const { return version.platformId == 2; }

  // --- modules: exports by lower-case module name without ".dll"
  std::map<std::string, std::set<std::string>> exports;
  void RemoveExport(const std::string& module, const std::string& name);
  std::vector<std::string> loadedLibraries;  // every LoadLibrary argument, in order

  // --- directories
  std::string windowsDirectory = "C:\\WINDOWS";
  std::string SystemDirectory() const { return windowsDirectory + "\\system32"; }
  std::string Wow64Directory() const { return windowsDirectory + "\\SysWOW64"; }
  std::string TempDirectory() const { return "C:\\TEMP"; }

  FileSystem files;
  Registry registry;
  ServiceManager services;
  DeviceTree deviceTree;  // what the Setup API and the configuration manager see
  WmiRepository wmi;
  VirtualClock clock;
  Token token;
  PowerStatus power;
  bool powerStatusAvailable = true;
  // The user's time zone as Windows keeps it: UTC = local time + bias (minutes).
  int timeZoneBiasMinutes = 0;
  bool timeZoneAvailable = true;

  // Devices opened by name with CreateFile (key: upper-case name such as "\\.\PHYSICALDRIVE0").
  void AddDevice(const std::string& name, std::shared_ptr<Device> device);
  std::shared_ptr<Device> FindDevice(const std::string& name) const;
  // Buffers that requests of the running process name by address.
  UserBuffers userBuffers;

  // The disks as \??\PhysicalDrive<n> (index n; an empty slot is no drive).
  std::vector<std::shared_ptr<AtaDrive>> physicalDrives;

  // Windows 9x: whether the processor-usage statistic is running.
  bool cpuStatisticRunning = false;

  // What programs asked of the machine.
  std::vector<RestartRequest> restarts;
  std::vector<ShellLaunch> launches;
  std::function<void(const ShellLaunch&)> onShellExecute;
  // How a launched program that its starter waits for ends: its exit code, or it never ends
  // (the hook is not run and the wait runs out).
  struct LaunchOutcome {
    std::uint32_t exitCode = 0;
    bool hangs = false;
  } launchOutcome;

  // Administrators (S-1-5-32-544).
  static Sid AdministratorsSid();
  void SetAdministrator(bool member, std::uint32_t attributes = 0x7);

  // Hardware behind the register-access drivers, and those drivers.
  PciBus pci;
  PhysicalMemory physicalMemory;
  IoPorts ioPorts;
  AccessDrivers accessDrivers{*this};

 private:
  void SetRelease(Windows release);
  std::map<std::string, std::shared_ptr<Device>> devices_;
};

}  // namespace qz::sim
