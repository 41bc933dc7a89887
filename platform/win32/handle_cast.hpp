#pragma once
// The seam's 64-bit handle values and the system's handle types, both ways. INVALID_HANDLE_VALUE
// keeps its own seam value on every bitness.
#include <cstdint>

#include "platform/types.hpp"
#include "platform/win32/windows.hpp"

namespace qz::win32 {

template <typename T>
T As(Handle h) {
  return reinterpret_cast<T>(static_cast<std::uintptr_t>(h));
}
template <typename T>
Handle From(T h) {
  return static_cast<Handle>(reinterpret_cast<std::uintptr_t>(h));
}
inline HANDLE AsHandle(Handle h) {
  return h == kInvalidHandle ? INVALID_HANDLE_VALUE : As<HANDLE>(h);
}
inline Handle FromHandle(HANDLE h) { return h == INVALID_HANDLE_VALUE ? kInvalidHandle : From(h); }

}  // namespace qz::win32
