#pragma once
// Writing a file in one piece.
#include <string>

#include "platform/file_api.hpp"

namespace qz {

// Writes the whole file or, failing that, leaves none behind: a short or unclosed write
// deletes what it made.
inline bool WriteWhole(FileApi& api, const std::string& path, ConstBytes data) {
  Handle file = api.CreateFile(path, access::kGenericWrite, 0, disposition::kCreateAlways,
                               kFileAttributeNormal);
  if (file == kInvalidHandle) return false;
  std::uint32_t written = 0;
  const bool ok = api.WriteFile(file, data, written) && written == data.size();
  if (!api.CloseHandle(file) || !ok) {
    api.DeleteFile(path);
    return false;
  }
  return true;
}

}  // namespace qz
