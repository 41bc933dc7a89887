#include "platform/win32/fs_redirection.hpp"

#include "platform/win32/windows.hpp"

namespace qz {
namespace {

void* Kernel32(const char* name) {
  return reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("kernel32.dll"), name));
}

}  // namespace

bool Win32FsRedirection::Wow64DisableWow64FsRedirection(Handle& oldValue) {
  using Fn = BOOL(WINAPI*)(PVOID*);
  auto fn = reinterpret_cast<Fn>(Kernel32("Wow64DisableWow64FsRedirection"));
  PVOID old = nullptr;
  if (!fn || !fn(&old)) return false;
  oldValue = static_cast<Handle>(reinterpret_cast<std::uintptr_t>(old));
  return true;
}

bool Win32FsRedirection::Wow64RevertWow64FsRedirection(Handle oldValue) {
  using Fn = BOOL(WINAPI*)(PVOID);
  auto fn = reinterpret_cast<Fn>(Kernel32("Wow64RevertWow64FsRedirection"));
  return fn && fn(reinterpret_cast<PVOID>(static_cast<std::uintptr_t>(oldValue)));
}

}  // namespace qz
