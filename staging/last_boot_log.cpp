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

bool RemoveLastBootLog(Win32Api& api, bool wow64) {
  // The redirected view first: SysWOW64 under WOW64, the only system directory elsewhere.
  const bool removed = RemoveIn(api);
  if (!wow64) return removed;
  if (!api.SetWow64FsRedirection(false)) return false;
  const bool native = RemoveIn(api);
  api.SetWow64FsRedirection(true);
  return removed && native;
}

}  // namespace qz
