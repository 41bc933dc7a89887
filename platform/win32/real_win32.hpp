#pragma once
// The forwarding layer: every call of the seam goes straight to Windows.
#include "platform/win32_api.hpp"

namespace qz {

class RealWin32 final : public Win32Api {
 public:
  std::uint32_t GetLastError() override;
  void SetLastError(std::uint32_t code) override;
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
  std::string GetSystemDirectory() override;
  std::string GetWindowsDirectory() override;
  std::string GetTempPath() override;

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

 private:
  void* wow64Redirection_ = nullptr;  // the value to restore the redirection with
};

}  // namespace qz
