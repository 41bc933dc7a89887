#pragma once
// The physical-access library's view of the system inside its DLL: the device calls
// (direct_device_os.hpp), then the platform and the service manager straight from kernel32
// and advapi32.
#include "tessel/win32/direct_device_os.hpp"

namespace qz::tessel {

class DirectLibraryOs final : public DirectDevice<LibraryOs> {
 public:
  constexpr DirectLibraryOs() = default;

  bool GetPlatformId(std::uint32_t& platformId) override;
  Handle LoadLibrary(const char* name) override;
  bool HasProcAddress(Handle module, const char* name) override;
  void FreeLibrary(Handle module) override;
  bool IsWow64Process(bool& wow64) override;
  std::uint32_t GetSystemDirectory(char* buffer, std::uint32_t size) override;

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
