#pragma once
// A plain-text trace file that is opened, appended to and closed for every line, as a text
// stream would: each "\n" reaches the file as CR LF. A file that cannot be opened is skipped.
#include <string>

#include "platform/file_api.hpp"

namespace qz {

class TraceFile {
 public:
  TraceFile(FileApi& files, std::string path) : files_(files), path_(std::move(path)) {}

  const std::string& path() const { return path_; }
  // Empties the file (or creates it) and writes text.
  void Restart(const std::string& text);
  void Append(const std::string& text);
  // printf-style formatting of one line.
  void Print(const char* format, ...) __attribute__((format(printf, 2, 3)));

 private:
  void Write(const std::string& text, bool truncate);

  FileApi& files_;
  std::string path_;
};

}  // namespace qz
