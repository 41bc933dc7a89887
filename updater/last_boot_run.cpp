#include "updater/last_boot_run.hpp"

#include <string>
#include <vector>

#include "staging/last_boot_log.hpp"

namespace qz {
namespace {

std::optional<std::vector<std::uint8_t>> ReadSmallFile(Win32Api& api, const std::string& path) {
  const Handle file = api.CreateFile(path, access::kGenericRead, share::kRead | share::kWrite,
                                     disposition::kOpenExisting, kFileAttributeNormal);
  if (file == kInvalidHandle) return std::nullopt;
  std::uint64_t size = 0;
  std::optional<std::vector<std::uint8_t>> data;
  if (api.GetFileSize(file, size) && size != 0 && size <= kBootLogMaxBytes) {
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    std::size_t done = 0;
    while (done < bytes.size()) {
      std::uint32_t got = 0;
      if (!api.ReadFile(file, Bytes(bytes).subspan(done), got) || got == 0) break;
      done += got;
    }
    if (done == bytes.size()) data = std::move(bytes);
  }
  api.CloseHandle(file);
  return data;
}

}  // namespace

std::optional<BootOutcome> ReadLastBootRun(Win32Api& api) {
  // Fails on 32-bit Windows, where there is nothing to turn off.
  const bool redirectionOff = api.SetWow64FsRedirection(false);
  const std::string system = api.GetSystemDirectory();
  std::optional<std::vector<std::uint8_t>> log;
  if (!system.empty()) log = ReadSmallFile(api, system + "\\" + std::string(kBootLogName));
  if (redirectionOff) api.SetWow64FsRedirection(true);
  if (!log) return std::nullopt;
  return ParseBootLog(*log);
}

}  // namespace qz
