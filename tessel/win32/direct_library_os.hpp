#pragma once
// The access libraries' view of the system inside the DLLs: each call straight to kernel32 or
// advapi32, with no C or C++ runtime underneath.
#include "tessel/library/library_os.hpp"

namespace qz::tessel {

class DirectLibraryOs final : public LibraryOs {
 public:
  constexpr DirectLibraryOs() = default;

  std::uint32_t GetLastError() override;
  bool GetPlatformId(std::uint32_t& platformId) override;
  Handle LoadLibrary(const char* name) override;
  bool HasProcAddress(Handle module, const char* name) override;
  void FreeLibrary(Handle module) override;
  bool IsWow64Process(bool& wow64) override;
  std::uint32_t GetSystemDirectory(char* buffer, std::uint32_t size) override;

  Handle CreateFile(const char* path, std::uint32_t desiredAccess, std::uint32_t shareMode,
                    std::uint32_t creationDisposition, std::uint32_t flagsAndAttributes) override;
  bool CloseHandle(Handle object) override;
  bool DeviceIoControl(Handle device, std::uint32_t code, ConstBytes in, Bytes out,
                       std::uint32_t& returned) override;

  Handle OpenSCManager(std::uint32_t access) override;
  Handle CreateService(Handle manager, const char* name, const char* displayName,
                       std::uint32_t access, std::uint32_t type, std::uint32_t startType,
                       const char* binaryPath) override;
  Handle OpenService(Handle manager, const char* name, std::uint32_t access) override;
  bool StartService(Handle service) override;
  bool ControlService(Handle service, std::uint32_t control, std::uint32_t& currentState) override;
  bool DeleteService(Handle service) override;
  bool CloseServiceHandle(Handle object) override;
};

}  // namespace qz::tessel
