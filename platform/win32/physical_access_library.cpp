#include "platform/win32/physical_access_library.hpp"

#include <cstring>

#include "platform/win32/windows.hpp"

namespace qz {
namespace {

constexpr const char* kNames[16] = {
    "maOpenLibrary", "maCloseLibrary", "maPeekB", "maPeekW", "maPeekD", "maPokeB", "maPokeW",
    "maPokeD", "maUnmapPhysicalMemory", "maMapPhysToLinear", "maGetLastState", "maGetVersion",
    "maGetDeviceBaseAddress", "maGetPCIDeviceInfo", "maAllocSystemBuffer", "maFreeSystemBuffer",
};
enum Entry {
  kOpen, kClose, kPeekB, kPeekW, kPeekD, kPokeB, kPokeW, kPokeD, kUnmap, kMap, kLastState,
  kVersion, kBaseAddress, kDeviceInfo, kAlloc, kFree,
};

using NoArgs = std::int32_t(__stdcall*)();
using Peek = std::uint32_t(__stdcall*)(std::uint32_t);
using Poke = std::int32_t(__stdcall*)(std::uint32_t, std::uint32_t);
using Unmap = std::int32_t(__stdcall*)(std::uint32_t, std::uint32_t);
using Map = std::uint32_t(__stdcall*)(std::uint32_t, std::uint32_t, std::uint32_t*);
using LastState = std::uint32_t(__stdcall*)(char*);
using Version = std::uint32_t(__stdcall*)();
using BaseAddress = std::int32_t(__stdcall*)(std::uint16_t*, std::uint16_t*, std::uint32_t, std::uint8_t*);
using DeviceInfo = std::int32_t(__stdcall*)(std::uint16_t*, std::uint16_t*, std::uint32_t, std::uint32_t*,
                                            std::uint32_t*, std::uint32_t*, std::uint8_t*);
using Alloc = std::uint32_t(__stdcall*)(std::uint32_t, std::uint32_t*);

template <typename Fn>
Fn As(void* entry) {
  return reinterpret_cast<Fn>(entry);
}

}  // namespace

bool PhysicalAccessLibrary::Load(const std::string& path) {
  Free();
  module_ = reinterpret_cast<void*>(::LoadLibraryA(path.c_str()));
  return module_ != nullptr;
}

bool PhysicalAccessLibrary::Resolve(const std::string& name) {
  if (!module_) return false;
  for (int i = 0; i < 16; ++i) {
    if (name != kNames[i]) continue;
    entries_[i] = reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(module_), kNames[i]));
    return entries_[i] != nullptr;
  }
  return false;
}

void PhysicalAccessLibrary::Free() {
  if (module_) ::FreeLibrary(static_cast<HMODULE>(module_));
  module_ = nullptr;
  std::memset(entries_, 0, sizeof(entries_));
}

std::int32_t PhysicalAccessLibrary::maOpenLibrary() {
  return entries_[kOpen] ? As<NoArgs>(entries_[kOpen])() : 0;
}
std::int32_t PhysicalAccessLibrary::maCloseLibrary() {
  return entries_[kClose] ? As<NoArgs>(entries_[kClose])() : 0;
}
std::uint8_t PhysicalAccessLibrary::maPeekB(std::uint32_t a) {
  return entries_[kPeekB] ? static_cast<std::uint8_t>(As<Peek>(entries_[kPeekB])(a)) : 0;
}
std::uint16_t PhysicalAccessLibrary::maPeekW(std::uint32_t a) {
  return entries_[kPeekW] ? static_cast<std::uint16_t>(As<Peek>(entries_[kPeekW])(a)) : 0;
}
std::uint32_t PhysicalAccessLibrary::maPeekD(std::uint32_t a) {
  return entries_[kPeekD] ? As<Peek>(entries_[kPeekD])(a) : 0;
}
std::int32_t PhysicalAccessLibrary::maPokeB(std::uint32_t a, std::uint8_t v) {
  return entries_[kPokeB] ? As<Poke>(entries_[kPokeB])(a, v) : 0;
}
std::int32_t PhysicalAccessLibrary::maPokeW(std::uint32_t a, std::uint16_t v) {
  return entries_[kPokeW] ? As<Poke>(entries_[kPokeW])(a, v) : 0;
}
std::int32_t PhysicalAccessLibrary::maPokeD(std::uint32_t a, std::uint32_t v) {
  return entries_[kPokeD] ? As<Poke>(entries_[kPokeD])(a, v) : 0;
}
std::int32_t PhysicalAccessLibrary::maUnmapPhysicalMemory(std::uint32_t h, std::uint32_t linear) {
  return entries_[kUnmap] ? As<Unmap>(entries_[kUnmap])(h, linear) : 0;
}
std::uint32_t PhysicalAccessLibrary::maMapPhysToLinear(std::uint32_t p, std::uint32_t n, std::uint32_t* h) {
  return entries_[kMap] ? As<Map>(entries_[kMap])(p, n, h) : 0;
}
std::uint32_t PhysicalAccessLibrary::maGetLastState(char* text) {
  return entries_[kLastState] ? As<LastState>(entries_[kLastState])(text) : 0;
}
std::uint16_t PhysicalAccessLibrary::maGetVersion() {
  return entries_[kVersion] ? static_cast<std::uint16_t>(As<Version>(entries_[kVersion])()) : 0;
}
std::int32_t PhysicalAccessLibrary::maGetDeviceBaseAddress(std::uint16_t* v, std::uint16_t* d,
                                                           std::uint32_t i, std::uint8_t* r) {
  return entries_[kBaseAddress] ? As<BaseAddress>(entries_[kBaseAddress])(v, d, i, r) : 0;
}
std::int32_t PhysicalAccessLibrary::maGetPCIDeviceInfo(std::uint16_t* v, std::uint16_t* d,
                                                       std::uint32_t i, std::uint32_t* bus,
                                                       std::uint32_t* dev, std::uint32_t* fn,
                                                       std::uint8_t* header) {
  return entries_[kDeviceInfo] ? As<DeviceInfo>(entries_[kDeviceInfo])(v, d, i, bus, dev, fn, header) : 0;
}
std::uint32_t PhysicalAccessLibrary::maAllocSystemBuffer(std::uint32_t size, std::uint32_t* physical) {
  return entries_[kAlloc] ? As<Alloc>(entries_[kAlloc])(size, physical) : 0;
}
std::int32_t PhysicalAccessLibrary::maFreeSystemBuffer() {
  return entries_[kFree] ? As<NoArgs>(entries_[kFree])() : 0;
}

}  // namespace qz
