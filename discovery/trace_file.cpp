#include "discovery/trace_file.hpp"

#include <cstdarg>
#include <cstdio>
#include <vector>

namespace qz {

void TraceFile::Restart(const std::string& text) { Write(text, true); }
void TraceFile::Append(const std::string& text) { Write(text, false); }

void TraceFile::Print(const char* format, ...) {
  char line[1024];
  va_list args;
  va_start(args, format);
  std::vsnprintf(line, sizeof(line), format, args);
  va_end(args);
  Append(line);
}

void TraceFile::Write(const std::string& text, bool truncate) {
  const Handle h = files_.CreateFile(path_, access::kGenericRead | access::kGenericWrite,
                                     share::kRead | share::kWrite,
                                     truncate ? disposition::kCreateAlways : disposition::kOpenAlways,
                                     kFileAttributeNormal);
  if (h == kInvalidHandle) return;
  std::uint64_t position = 0;
  if (files_.SetFilePointer(h, 0, 2, position)) {
    std::vector<std::uint8_t> bytes;
    bytes.reserve(text.size() + 8);
    for (char c : text) {
      if (c == '\n') bytes.push_back('\r');
      bytes.push_back(static_cast<std::uint8_t>(c));
    }
    std::uint32_t written = 0;
    files_.WriteFile(h, bytes, written);
  }
  files_.CloseHandle(h);
}

}  // namespace qz
