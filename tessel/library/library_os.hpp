#pragma once
// What the two access libraries ask of the system, in plain characters and caller-owned
// buffers: nothing here needs the C++ library, so the same library code links into DLLs that
// carry no runtime. The host views the whole seam through it (seam_library_os.hpp); the DLLs
// call Windows directly (tessel/win32/direct_library_os.hpp).
#include <cstdint>

#include "platform/file_api.hpp"
#include "platform/service_api.hpp"
#include "platform/system_api.hpp"
#include "platform/types.hpp"

namespace qz::tessel {

// Room for the system directory, as the seam's forwarding layer reads it.
inline constexpr std::uint32_t kSystemDirectorySize = 1024;

// A driver's device: all that the port-I/O library uses.
class DeviceOs {
 public:
  virtual std::uint32_t GetLastError() = 0;
  // kInvalidHandle on failure, with the reason in GetLastError.
  virtual Handle CreateFile(const char* path, std::uint32_t desiredAccess,
                            std::uint32_t shareMode, std::uint32_t creationDisposition,
                            std::uint32_t flagsAndAttributes) = 0;
  virtual bool CloseHandle(Handle object) = 0;
  virtual bool DeviceIoControl(Handle device, std::uint32_t code, ConstBytes in, Bytes out,
                               std::uint32_t& returned) = 0;

 protected:
  constexpr DeviceOs() = default;
  // Never deleted through this view: without a virtual destructor nothing needs operator
  // delete, and a DLL's global instance needs no destructor run at exit.
  ~DeviceOs() = default;
};

// The physical-access library also asks for the platform and installs its driver's service.
class LibraryOs : public DeviceOs {
 public:
  // The platform of GetVersionEx's basic structure; false when the call fails.
  virtual bool GetPlatformId(std::uint32_t& platformId) = 0;
  virtual Handle LoadLibrary(const char* name) = 0;
  virtual bool HasProcAddress(Handle module, const char* name) = 0;
  virtual void FreeLibrary(Handle module) = 0;
  // Only valid after "IsWow64Process" was found in kernel32; false when the call fails.
  virtual bool IsWow64Process(bool& wow64) = 0;
  // Writes the directory with its terminator and returns its length; when it is unknown or
  // does not fit, leaves empty text and returns 0.
  virtual std::uint32_t GetSystemDirectory(char* buffer, std::uint32_t size) = 0;

  virtual Handle OpenSCManager(std::uint32_t access) = 0;
  virtual Handle CreateService(Handle manager, const char* name, const char* displayName,
                               std::uint32_t access, std::uint32_t type, std::uint32_t startType,
                               const char* binaryPath) = 0;
  virtual Handle OpenService(Handle manager, const char* name, std::uint32_t access) = 0;
  virtual bool StartService(Handle service) = 0;
  virtual bool ControlService(Handle service, std::uint32_t control,
                              std::uint32_t& currentState) = 0;
  virtual bool DeleteService(Handle service) = 0;
  virtual bool CloseServiceHandle(Handle object) = 0;

 protected:
  constexpr LibraryOs() = default;
  ~LibraryOs() = default;
};

}  // namespace qz::tessel
