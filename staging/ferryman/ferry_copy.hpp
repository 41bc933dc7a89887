#pragma once
// The copy helper's work, shared by its 64-bit Windows build (C runtime file calls) and the
// host (the simulated machine's files): bring the staged flasher and firmware file from
// SysWOW64 into the 64-bit system directory.
//
// Io supplies:
//   bool WindowsDirectory(char* buffer, size_t size);
//   bool SystemDirectory(char* buffer, size_t size);
//   unsigned char* ReadWhole(const char* path, size_t* length);  // nullptr on failure
//   void Release(unsigned char* data);
//   void Delete(const char* path);                                // a missing file is fine
//   bool WriteWhole(const char* path, const unsigned char* data, size_t length);
//
// No exceptions, no C++ runtime: the Windows build links msvcrt and kernel32 only.
#include <stddef.h>

namespace qz::ferry {

inline constexpr size_t kPathChars = 32767;

enum Result : int { kCopied = 0, kFailed = 1 };

// dst = a + b + c; false when it does not fit.
inline bool JoinInto(char* dst, size_t size, const char* a, const char* b, const char* c) {
  size_t n = 0;
  const char* const parts[] = {a, b, c};
  for (const char* part : parts) {
    for (const char* p = part; *p; ++p) {
      if (n + 1 >= size) return false;
      dst[n++] = *p;
    }
  }
  dst[n] = '\0';
  return true;
}

// Copies windows\SysWOW64\<file> over system\<file>. A target that cannot be written whole is
// removed again, so that the boot-time flasher never finds half a file.
template <typename Io>
bool CopyOne(Io& io, const char* windowsDir, const char* systemDir, const char* file,
             char* from, char* to) {
  if (!JoinInto(from, kPathChars, windowsDir, "\\SysWOW64\\", file) ||
      !JoinInto(to, kPathChars, systemDir, "\\", file)) {
    return false;
  }
  size_t length = 0;
  unsigned char* data = io.ReadWhole(from, &length);
  if (!data) return false;
  io.Delete(to);
  const bool written = io.WriteWhole(to, data, length);
  io.Release(data);
  if (!written) io.Delete(to);
  return written;
}

// Paths live in the caller's buffers (three of kPathChars each): the Windows build keeps them
// out of the stack.
template <typename Io>
Result RunFerry(Io& io, char* windowsDir, char* systemDir, char* scratch1, char* scratch2) {
  if (!io.WindowsDirectory(windowsDir, kPathChars)) return kFailed;
  if (!io.SystemDirectory(systemDir, kPathChars)) return kFailed;
  if (!CopyOne(io, windowsDir, systemDir, "Ombrel.exe", scratch1, scratch2)) return kFailed;
  if (!CopyOne(io, windowsDir, systemDir, "FW.bin", scratch1, scratch2)) return kFailed;
  return kCopied;
}

}  // namespace qz::ferry
