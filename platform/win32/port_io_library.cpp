#include "platform/win32/port_io_library.hpp"

#include <cstring>

#include "platform/win32/windows.hpp"

namespace qz {
namespace {

constexpr const char* kNames[11] = {"Inport", "Outport", "InportW", "OutportW", "InportD",
                                    "OutportD", "GetLastState", "GetNTPortVersion",
                                    "SetFastMode", "GetFastMode", "GetLPTPortAddress"};
enum Entry { kIn, kOut, kInW, kOutW, kInD, kOutD, kLastState, kVersion, kSetFast, kGetFast, kLpt };

// Ports and values travel in 32-bit stack slots; results are read from the low bits.
using In = std::uint32_t(__stdcall*)(std::uint32_t);
using Out = void(__stdcall*)(std::uint32_t, std::uint32_t);
using LastState = std::int32_t(__stdcall*)(char*);
using NoArgs = std::int32_t(__stdcall*)();
using SetFast = void(__stdcall*)(std::int32_t);

template <typename Fn>
Fn As(void* entry) {
  return reinterpret_cast<Fn>(entry);
}

}  // namespace

bool PortIoLibrary::Load(const std::string& path) {
  Free();
  module_ = reinterpret_cast<void*>(::LoadLibraryA(path.c_str()));
  return module_ != nullptr;
}

bool PortIoLibrary::Resolve(const std::string& name) {
  if (!module_) return false;
  for (int i = 0; i < 11; ++i) {
    if (name != kNames[i]) continue;
    entries_[i] = reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(module_), kNames[i]));
    return entries_[i] != nullptr;
  }
  return false;
}

void PortIoLibrary::Free() {
  if (module_) ::FreeLibrary(static_cast<HMODULE>(module_));
  module_ = nullptr;
  std::memset(entries_, 0, sizeof(entries_));
}

std::uint8_t PortIoLibrary::Inport(std::uint16_t p) {
  return entries_[kIn] ? static_cast<std::uint8_t>(As<In>(entries_[kIn])(p)) : 0;
}
void PortIoLibrary::Outport(std::uint16_t p, std::uint8_t v) {
  if (entries_[kOut]) As<Out>(entries_[kOut])(p, v);
}
std::uint16_t PortIoLibrary::InportW(std::uint16_t p) {
  return entries_[kInW] ? static_cast<std::uint16_t>(As<In>(entries_[kInW])(p)) : 0;
}
void PortIoLibrary::OutportW(std::uint16_t p, std::uint16_t v) {
  if (entries_[kOutW]) As<Out>(entries_[kOutW])(p, v);
}
std::uint32_t PortIoLibrary::InportD(std::uint16_t p) {
  return entries_[kInD] ? As<In>(entries_[kInD])(p) : 0;
}
void PortIoLibrary::OutportD(std::uint16_t p, std::uint32_t v) {
  if (entries_[kOutD]) As<Out>(entries_[kOutD])(p, v);
}
std::int32_t PortIoLibrary::GetLastState(char* text) {
  // An unbound library must not read as working.
  return entries_[kLastState] ? As<LastState>(entries_[kLastState])(text) : -1;
}
std::int32_t PortIoLibrary::GetNTPortVersion() {
  return entries_[kVersion] ? As<NoArgs>(entries_[kVersion])() : 0;
}
void PortIoLibrary::SetFastMode(std::int32_t fast) {
  if (entries_[kSetFast]) As<SetFast>(entries_[kSetFast])(fast);
}
std::int32_t PortIoLibrary::GetFastMode() {
  return entries_[kGetFast] ? As<NoArgs>(entries_[kGetFast])() : 0;
}
std::uint16_t PortIoLibrary::GetLPTPortAddress(std::uint16_t n) {
  return entries_[kLpt] ? static_cast<std::uint16_t>(As<In>(entries_[kLpt])(n)) : 0;
}

}  // namespace qz
