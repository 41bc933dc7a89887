#pragma once
// The libraries' view of the whole user-mode seam: how the host tests and the simulated
// machine run the same library code that the DLLs run against Windows.
#include "platform/win32_api.hpp"
#include "tessel/library/library_os.hpp"

namespace qz::tessel {

class SeamLibraryOs final : public LibraryOs {
 public:
  explicit SeamLibraryOs(Win32Api& os) : os_(os) {}

  std::uint32_t GetLastError() override { return os_.GetLastError(); }
  bool GetPlatformId(std::uint32_t& platformId) override;
  Handle LoadLibrary(const char* name) override { return os_.LoadLibrary(name); }
  bool HasProcAddress(Handle module, const char* name) override {
    return os_.HasProcAddress(module, name);
  }
  void FreeLibrary(Handle module) override { os_.FreeLibrary(module); }
  bool IsWow64Process(bool& wow64) override { return os_.IsWow64Process(wow64); }
  std::uint32_t GetSystemDirectory(char* buffer, std::uint32_t size) override;

  Handle CreateFile(const char* path, std::uint32_t desiredAccess, std::uint32_t shareMode,
                    std::uint32_t creationDisposition, std::uint32_t flagsAndAttributes) override {
    return os_.CreateFile(path, desiredAccess, shareMode, creationDisposition, flagsAndAttributes);
  }
  bool CloseHandle(Handle object) override { return os_.CloseHandle(object); }
  bool DeviceIoControl(Handle device, std::uint32_t code, ConstBytes in, Bytes out,
                       std::uint32_t& returned) override {
    return os_.DeviceIoControl(device, code, in, out, returned);
  }

  Handle OpenSCManager(std::uint32_t access) override { return os_.OpenSCManager(access); }
  Handle CreateService(Handle manager, const char* name, const char* displayName,
                       std::uint32_t access, std::uint32_t type, std::uint32_t startType,
                       const char* binaryPath) override {
    return os_.CreateService(manager, name, displayName, access, type, startType, binaryPath);
  }
  Handle OpenService(Handle manager, const char* name, std::uint32_t access) override {
    return os_.OpenService(manager, name, access);
  }
  bool StartService(Handle service) override { return os_.StartService(service); }
  bool ControlService(Handle service, std::uint32_t control, std::uint32_t& currentState) override {
    return os_.ControlService(service, control, currentState);
  }
  bool DeleteService(Handle service) override { return os_.DeleteService(service); }
  bool CloseServiceHandle(Handle object) override { return os_.CloseServiceHandle(object); }

 private:
  Win32Api& os_;
};

}  // namespace qz::tessel
