#pragma once
// Facts about the running system and the few system-wide acts the updater needs:
// platform flags, the processor-load sampler, the Administrators test, the forced restart,
// the Windows classification and the WOW64 test.
#include <array>
#include <cstdint>
#include <optional>

#include "platform/win32_api.hpp"
#include "transport/os_version_code.hpp"

namespace qz {

class SystemInfo {
 public:
  explicit SystemInfo(Win32Api& api);
  ~SystemInfo();
  SystemInfo(const SystemInfo&) = delete;
  SystemInfo& operator=(const SystemInfo&) = delete;

  bool IsNtPlatform() const { return IsNt != 0; }
  bool IsAdministrator();
  bool ExitWindowsWithPrivilege(std::uint32_t flags);
  bool RestartNow();
  OsVersionCode GetOsVersionCode();
  bool IsWow64Process32();

  std::uint8_t IsNt = 0;
  std::uint8_t IsNt4 = 0;
  std::array<std::uint8_t, 312> PerformanceInfo{};
  std::array<std::uint8_t, 32> TimeOfDayInfo{};
  std::array<std::uint8_t, 44> BasicInfo{};
  std::int64_t StartIdleTime = 0;
  std::int64_t StartTime = 0;
  // Windows 9x: the last "KERNEL\CPUUsage" reading and the held "PerfStats\StatData" key.
  std::uint32_t CpuUsageSize = 4;
  std::uint32_t CpuUsageType = 0;
  std::array<std::uint8_t, 4> CpuUsageData{};
  Handle StatDataKey = kNullHandle;

 private:
  void StartSampler();
  void StopSampler();
  // The steps of the Windows classification.
  bool ReadVersion(OsVersionInfo& vi, bool& extended);
  std::uint16_t NativeArchitecture();
  OsVersionCode NtFamilyCode(const OsVersionInfo& vi, std::uint16_t arch);
  // The edition bits that "ProductOptions" names, when the extended data is missing; none
  // when the key cannot be read.
  std::optional<OsVersionCode> ProductOptionsEdition();
  OsVersionCode ServicePackCode(const OsVersionInfo& vi);

  Win32Api& api_;
};

}  // namespace qz
