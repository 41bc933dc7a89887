#include "staging/last_boot_log.hpp"

#include <string>

namespace qz {
namespace {

bool RemoveIn(Win32Api& api) {
  const std::string system = api.GetSystemDirectory();
  if (system.empty()) return false;
  const std::string path = system + "\\" + std::string(kBootLogName);
  if (api.GetFileAttributes(path) == kInvalidFileAttributes) return true;
  return api.DeleteFile(path);
}

}  // namespace

bool RemoveLastBootLog(Win32Api& api) {
  // The redirected view first: SysWOW64 under WOW64, the only system directory elsewhere.
  bool removed = RemoveIn(api);
  // Fails on 32-bit Windows, where there is no other directory.
  if (api.SetWow64FsRedirection(false)) {
    removed = RemoveIn(api) && removed;
    api.SetWow64FsRedirection(true);
  }
  return removed;
}

}  // namespace qz
