#pragma once
// One process's view of a simulated machine through the user-mode seam. A 32-bit process on
// 64-bit Windows runs under WOW64: its system directory is redirected to SysWOW64.
#include <map>
#include <memory>
#include <string>

#include "platform/win32_api.hpp"
#include "sim/machine/machine.hpp"

namespace qz::sim {

enum class Bitness { X86, X64 };

class SimWin32 final : public Win32Api {
 public:
  SimWin32(Machine& machine, Bitness bitness);

  bool IsWow64() const { return bitness_ == Bitness::X86 && machine_.Is64Bit(); }
  // The path a file name reaches after WOW64 redirection (unchanged for native processes).
  std::string Redirect(const std::string& path) const;
  Machine& machine() { return machine_; }
  // Set while the process has turned WOW64 file-system redirection off.
  bool fsRedirectionDisabled = false;
  // Fault: turning the WOW64 file-system redirection off or on fails, as without the function.
  bool redirectionSwitchFails = false;

  std::uint32_t GetLastError() override { return lastError_; }
  void SetLastError(std::uint32_t code) override { lastError_ = code; }
  bool GetVersionEx(OsVersionInfo& info, bool extended) override;
  std::uint16_t GetSystemInfoArchitecture() override;
  std::uint16_t GetNativeSystemInfoArchitecture() override;
  bool IsWow64Process(bool& wow64) override;
  int GetSystemMetrics(int index) override;
  Handle LoadLibrary(const std::string& name) override;
  bool HasProcAddress(Handle module, const std::string& name) override;
  void FreeLibrary(Handle module) override;
  bool GetSystemPowerStatus(PowerStatus& status) override;
  bool QueryPerformanceFrequency(std::int64_t& frequency) override;
  bool QueryPerformanceCounter(std::int64_t& count) override;
  std::uint32_t GetTickCount() override;
  void Sleep(std::uint32_t milliseconds) override;
  std::int32_t NtQuerySystemInformation(std::uint32_t infoClass, Bytes buffer,
                                        std::uint32_t& returned) override;
  bool ExitWindowsEx(std::uint32_t flags, std::uint32_t reason) override;
  std::intptr_t ShellExecute(Handle owner, const std::string& verb, const std::string& file,
                             const std::string& parameters, const std::string& directory,
                             int show) override;
  LaunchEnd ShellExecuteWait(Handle owner, const std::string& verb, const std::string& file,
                             const std::string& parameters, const std::string& directory, int show,
                             std::uint32_t milliseconds, std::uint32_t& exitCode) override;
  bool SetWow64FsRedirection(bool enabled) override;
  bool UtcToLocalTime(const CivilTime& utc, CivilTime& local) override;
  std::string GetSystemDirectory() override { return machine_.SystemDirectory(); }
  std::string GetWindowsDirectory() override { return machine_.windowsDirectory; }
  std::string GetTempPath() override { return machine_.TempDirectory() + "\\"; }

  Handle CreateFile(const std::string& path, std::uint32_t desiredAccess, std::uint32_t shareMode,
                    std::uint32_t creationDisposition, std::uint32_t flagsAndAttributes) override;
  bool ReadFile(Handle file, Bytes buffer, std::uint32_t& read) override;
  bool WriteFile(Handle file, ConstBytes data, std::uint32_t& written) override;
  bool GetFileSize(Handle file, std::uint64_t& size) override;
  bool SetFilePointer(Handle file, std::int64_t distance, std::uint32_t method,
                      std::uint64_t& position) override;
  bool CloseHandle(Handle object) override;
  std::uint32_t GetFileAttributes(const std::string& path) override;
  bool DeleteFile(const std::string& path) override;
  bool CreateDirectory(const std::string& path) override;
  bool DeviceIoControl(Handle device, std::uint32_t code, ConstBytes in, Bytes out,
                       std::uint32_t& returned) override;

  std::int32_t RegOpenKeyEx(Handle root, const std::string& subKey, std::uint32_t access,
                            Handle& key) override;
  std::int32_t RegCreateKeyEx(Handle root, const std::string& subKey, std::uint32_t access,
                              Handle& key) override;
  std::int32_t RegQueryValueEx(Handle key, const std::string& name, std::uint32_t& type,
                               Bytes buffer, std::uint32_t& size) override;
  std::int32_t RegSetValueEx(Handle key, const std::string& name, std::uint32_t type,
                             ConstBytes data) override;
  std::int32_t RegDeleteValue(Handle key, const std::string& name) override;
  std::int32_t RegCloseKey(Handle key) override;

  bool OpenProcessToken(std::uint32_t desiredAccess, Handle& token) override;
  bool GetTokenGroups(Handle token, std::uint32_t bufferSize,
                      std::vector<SidAndAttributes>& groups) override;
  bool LookupPrivilegeValue(const std::string& name, std::uint64_t& luid) override;
  bool AdjustTokenPrivilege(Handle token, std::uint64_t luid, bool enable) override;
  bool CloseToken(Handle token) override;

  Handle OpenSCManager(std::uint32_t access) override;
  Handle CreateService(Handle manager, const std::string& name, const std::string& displayName,
                       std::uint32_t access, std::uint32_t type, std::uint32_t startType,
                       const std::string& binaryPath) override;
  Handle OpenService(Handle manager, const std::string& name, std::uint32_t access) override;
  bool StartService(Handle service) override;
  bool QueryServiceStatus(Handle service, std::uint32_t& currentState) override;
  bool ControlService(Handle service, std::uint32_t control, std::uint32_t& currentState) override;
  bool DeleteService(Handle service) override;
  bool CloseServiceHandle(Handle object) override;

  // Handles this process still holds (a leak check for tests).
  std::size_t OpenHandleCount() const;

 private:
  struct OpenFile {
    std::string path;  // after redirection
    std::uint64_t position = 0;
    bool canRead = false;
    bool canWrite = false;
  };
  struct OpenKey {
    Handle root = 0;
    std::string path;
  };
  struct ServiceEntry {
    std::string name;  // empty for the manager
  };

  Handle NewHandle() { return nextHandle_ += 4; }
  std::int32_t OpenKeyCommon(Handle root, const std::string& subKey, bool create, Handle& key);
  bool ResolveKey(Handle key, Handle& root, std::string& path) const;
  bool Fail(std::uint32_t error) {
    lastError_ = error;
    return false;
  }

  Machine& machine_;
  Bitness bitness_;
  bool redirectionOff_ = false;
  std::uint32_t lastError_ = 0;
  Handle nextHandle_ = 0x100;
  std::map<Handle, OpenFile> files_;
  std::map<Handle, std::shared_ptr<Device>> devices_;
  std::map<Handle, OpenKey> keys_;
  std::map<Handle, std::string> modules_;
  std::map<Handle, int> tokens_;
  std::map<Handle, ServiceEntry> services_;
};

}  // namespace qz::sim
