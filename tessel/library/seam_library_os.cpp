#include "tessel/library/seam_library_os.hpp"

#include <string>

namespace qz::tessel {

bool SeamLibraryOs::GetPlatformId(std::uint32_t& platformId) {
  OsVersionInfo info;
  if (!os_.GetVersionEx(info, false)) return false;
  platformId = info.platformId;
  return true;
}

std::uint32_t SeamLibraryOs::GetSystemDirectory(char* buffer, std::uint32_t size) {
  const std::string directory = os_.GetSystemDirectory();
  if (directory.size() >= size) {
    buffer[0] = '\0';
    return 0;
  }
  directory.copy(buffer, directory.size());
  buffer[directory.size()] = '\0';
  return static_cast<std::uint32_t>(directory.size());
}

}  // namespace qz::tessel
