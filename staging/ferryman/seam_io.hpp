#pragma once
// The copy helper's file access through the Windows seam: how it runs on the simulated
// machine (as the 64-bit process it is).
#include <cstring>
#include <vector>

#include "platform/win32_api.hpp"
#include "staging/ferryman/ferry_copy.hpp"

namespace qz::ferry {

class SeamIo {
 public:
  explicit SeamIo(Win32Api& api) : api_(api) {}

  bool WindowsDirectory(char* buffer, size_t size) { return Put(api_.GetWindowsDirectory(), buffer, size); }
  bool SystemDirectory(char* buffer, size_t size) { return Put(api_.GetSystemDirectory(), buffer, size); }

  unsigned char* ReadWhole(const char* path, size_t* length) {
    Handle f = api_.CreateFile(path, access::kGenericRead, share::kRead, disposition::kOpenExisting, 0);
    if (f == kInvalidHandle) return nullptr;
    std::uint64_t size = 0;
    unsigned char* data = nullptr;
    if (api_.GetFileSize(f, size)) {
      data = new unsigned char[size ? size : 1];
      std::uint32_t read = 0;
      if (!api_.ReadFile(f, Bytes(data, static_cast<size_t>(size)), read) || read != size) {
        delete[] data;
        data = nullptr;
      }
    }
    api_.CloseHandle(f);
    if (data) *length = static_cast<size_t>(size);
    return data;
  }

  void Release(unsigned char* data) { delete[] data; }

  void Delete(const char* path) { api_.DeleteFile(path); }

  bool WriteWhole(const char* path, const unsigned char* data, size_t length) {
    Handle f = api_.CreateFile(path, access::kGenericWrite, 0, disposition::kCreateAlways, 0);
    if (f == kInvalidHandle) return false;
    std::uint32_t written = 0;
    const bool ok = api_.WriteFile(f, ConstBytes(data, length), written) && written == length;
    return api_.CloseHandle(f) && ok;
  }

 private:
  static bool Put(const std::string& text, char* buffer, size_t size) {
    if (text.empty() || text.size() + 1 > size) return false;
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return true;
  }

  Win32Api& api_;
};

// Runs the copy helper on a process view of a machine; returns its exit code.
inline int RunFerryOn(Win32Api& api) {
  std::vector<char> buffers(4 * kPathChars);
  SeamIo io(api);
  return RunFerry(io, buffers.data(), buffers.data() + kPathChars, buffers.data() + 2 * kPathChars,
                  buffers.data() + 3 * kPathChars);
}

}  // namespace qz::ferry
