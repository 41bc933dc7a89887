#include "tessel/win32/direct_library_os.hpp"

#include "platform/win32/handle_cast.hpp"
#include "platform/win32/windows.hpp"

namespace qz::tessel {

using win32::As;
using win32::From;

bool DirectLibraryOs::GetPlatformId(std::uint32_t& platformId) {
  OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = sizeof(info);
  if (!::GetVersionExA(&info)) return false;
  platformId = info.dwPlatformId;
  return true;
}

Handle DirectLibraryOs::LoadLibrary(const char* name) { return From(::LoadLibraryA(name)); }

bool DirectLibraryOs::HasProcAddress(Handle module, const char* name) {
  return ::GetProcAddress(As<HMODULE>(module), name) != nullptr;
}

void DirectLibraryOs::FreeLibrary(Handle module) { ::FreeLibrary(As<HMODULE>(module)); }

bool DirectLibraryOs::IsWow64Process(bool& wow64) {
  using Fn = BOOL(WINAPI*)(HANDLE, PBOOL);
  auto fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(
      ::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "IsWow64Process")));
  BOOL result = FALSE;
  if (!fn || !fn(::GetCurrentProcess(), &result)) return false;
  wow64 = result != FALSE;
  return true;
}

std::uint32_t DirectLibraryOs::GetSystemDirectory(char* buffer, std::uint32_t size) {
  const UINT n = ::GetSystemDirectoryA(buffer, size);
  if (n == 0 || n >= size) {
    buffer[0] = '\0';
    return 0;
  }
  return n;
}

Handle DirectLibraryOs::OpenSCManager(std::uint32_t access) {
  return From(::OpenSCManagerA(nullptr, nullptr, access));
}

Handle DirectLibraryOs::CreateService(Handle manager, const char* name, const char* displayName,
                                      std::uint32_t access, std::uint32_t type,
                                      std::uint32_t startType, const char* binaryPath) {
  return From(::CreateServiceA(As<SC_HANDLE>(manager), name, displayName, access, type, startType,
                               SERVICE_ERROR_NORMAL, binaryPath, nullptr, nullptr, nullptr,
                               nullptr, nullptr));
}

Handle DirectLibraryOs::OpenService(Handle manager, const char* name, std::uint32_t access) {
  return From(::OpenServiceA(As<SC_HANDLE>(manager), name, access));
}

bool DirectLibraryOs::StartService(Handle service) {
  return ::StartServiceA(As<SC_HANDLE>(service), 0, nullptr) != FALSE;
}

bool DirectLibraryOs::ControlService(Handle service, std::uint32_t control,
                                     std::uint32_t& currentState) {
  SERVICE_STATUS status{};
  const BOOL ok = ::ControlService(As<SC_HANDLE>(service), control, &status);
  currentState = status.dwCurrentState;
  return ok != FALSE;
}

bool DirectLibraryOs::DeleteService(Handle service) {
  return ::DeleteService(As<SC_HANDLE>(service)) != FALSE;
}

bool DirectLibraryOs::CloseServiceHandle(Handle object) {
  return ::CloseServiceHandle(As<SC_HANDLE>(object)) != FALSE;
}

}  // namespace qz::tessel
