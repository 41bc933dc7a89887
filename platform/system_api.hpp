#pragma once
// Version, processor, modules, clocks, power and restart: the "system" family of the seam.
#include <cstdint>
#include <string>

#include "platform/types.hpp"

namespace qz {

// What GetVersionEx fills; the extended fields stay zero when only the basic structure was filled.
struct OsVersionInfo {
  std::uint32_t majorVersion = 0;
  std::uint32_t minorVersion = 0;
  std::uint32_t buildNumber = 0;
  std::uint32_t platformId = 0;  // 0 Win32s, 1 Windows 9x, 2 NT
  std::string csdVersion;        // at most 127 characters
  std::uint16_t servicePackMajor = 0;
  std::uint16_t servicePackMinor = 0;
  std::uint16_t suiteMask = 0;
  std::uint8_t productType = 0;  // 1 workstation, 2 domain controller, 3 server
};

namespace platform_id {
inline constexpr std::uint32_t kWin32s = 0;
inline constexpr std::uint32_t kWindows = 1;
inline constexpr std::uint32_t kNt = 2;
}  // namespace platform_id

namespace product_type {
inline constexpr std::uint8_t kWorkstation = 1;
inline constexpr std::uint8_t kDomainController = 2;
inline constexpr std::uint8_t kServer = 3;
}  // namespace product_type

namespace suite {
inline constexpr std::uint16_t kEnterprise = 0x0002;
inline constexpr std::uint16_t kDatacenter = 0x0080;
inline constexpr std::uint16_t kPersonal = 0x0200;
inline constexpr std::uint16_t kBlade = 0x0400;
}  // namespace suite

namespace processor_arch {
inline constexpr std::uint16_t kIntel = 0;
inline constexpr std::uint16_t kIa64 = 6;
inline constexpr std::uint16_t kAmd64 = 9;
}  // namespace processor_arch

struct PowerStatus {
  std::uint8_t acLineStatus = 1;  // 0 off line, 1 on line, 255 unknown
  std::uint8_t batteryFlag = 128; // 1 high, 2 low, 4 critical, 8 charging, 128 no battery
  std::uint8_t batteryLifePercent = 255;
};

// A date and time of day as SYSTEMTIME holds it (no day of the week, no milliseconds).
struct CivilTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  bool operator==(const CivilTime&) const = default;
};

inline constexpr int kSmServerR2 = 89;

// How a started program ended, as far as its starter saw.
enum class LaunchEnd {
  NotStarted,  // the shell could not start it
  Finished,    // it ended within the time allowed
  TimedOut,    // still running when the wait ran out (or the wait failed)
};

namespace exit_flags {
inline constexpr std::uint32_t kLogoff = 0;
inline constexpr std::uint32_t kShutdown = 1;
inline constexpr std::uint32_t kReboot = 2;
inline constexpr std::uint32_t kForce = 4;
}  // namespace exit_flags

class SystemApi {
 public:
  virtual ~SystemApi() = default;

  virtual std::uint32_t GetLastError() = 0;
  virtual void SetLastError(std::uint32_t code) = 0;

  // extended: the 156-byte OSVERSIONINFOEX, else the 148-byte OSVERSIONINFO.
  virtual bool GetVersionEx(OsVersionInfo& info, bool extended) = 0;
  // Processor architecture as GetSystemInfo reports it to this process.
  virtual std::uint16_t GetSystemInfoArchitecture() = 0;
  // Only valid after "GetNativeSystemInfo" was resolved in kernel32.
  virtual std::uint16_t GetNativeSystemInfoArchitecture() = 0;
  // Only valid after "IsWow64Process" was resolved in kernel32; false when the call fails.
  virtual bool IsWow64Process(bool& wow64) = 0;
  virtual int GetSystemMetrics(int index) = 0;

  // Run-time binding: a missing library or entry point is an ordinary state.
  virtual Handle LoadLibrary(const std::string& name) = 0;
  virtual bool HasProcAddress(Handle module, const std::string& name) = 0;
  virtual void FreeLibrary(Handle module) = 0;

  virtual bool GetSystemPowerStatus(PowerStatus& status) = 0;

  virtual bool QueryPerformanceFrequency(std::int64_t& frequency) = 0;
  virtual bool QueryPerformanceCounter(std::int64_t& count) = 0;
  virtual std::uint32_t GetTickCount() = 0;
  virtual void Sleep(std::uint32_t milliseconds) = 0;

  // ntdll's NtQuerySystemInformation (after it was resolved); returns the NTSTATUS.
  virtual std::int32_t NtQuerySystemInformation(std::uint32_t infoClass, Bytes buffer,
                                                std::uint32_t& returned) = 0;

  virtual bool ExitWindowsEx(std::uint32_t flags, std::uint32_t reason) = 0;
  // Returns the ShellExecute result: above 32 is success.
  virtual std::intptr_t ShellExecute(Handle owner, const std::string& verb, const std::string& file,
                                     const std::string& parameters, const std::string& directory,
                                     int show) = 0;

  // ShellExecuteEx with the process handle kept (SEE_MASK_NOCLOSEPROCESS), then a bounded
  // WaitForSingleObject on it; `exitCode` is the program's when it finished.
  virtual LaunchEnd ShellExecuteWait(Handle owner, const std::string& verb, const std::string& file,
                                     const std::string& parameters, const std::string& directory,
                                     int show, std::uint32_t milliseconds,
                                     std::uint32_t& exitCode) = 0;
  // A 32-bit process on 64-bit Windows: turns the WOW64 redirection of the system directory off
  // (false) or back on (true) for this thread. False when the system has no such redirection.
  virtual bool SetWow64FsRedirection(bool enabled) = 0;

  // SystemTimeToTzSpecificLocalTime with the current time zone: UTC to the user's local time.
  virtual bool UtcToLocalTime(const CivilTime& utc, CivilTime& local) = 0;

  virtual std::string GetSystemDirectory() = 0;
  virtual std::string GetWindowsDirectory() = 0;
  virtual std::string GetTempPath() = 0;
};

}  // namespace qz
