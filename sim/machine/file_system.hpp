#pragma once
// The simulated machine's disks as Windows sees them: one case-insensitive tree of
// directories and files, with faults that a test injects by path.
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace qz::sim {

class FileSystem {
 public:
  struct File {
    std::string name;  // as it was created
    std::vector<std::uint8_t> data;
  };

  // Directories are created with their parents.
  void AddDirectory(const std::string& path);
  bool IsDirectory(const std::string& path) const;
  bool Exists(const std::string& path) const;  // a file or a directory

  // Direct access for tests and for simulated programs; a write creates the parents.
  void Put(const std::string& path, std::vector<std::uint8_t> data);
  void PutText(const std::string& path, const std::string& text);
  std::optional<std::vector<std::uint8_t>> Get(const std::string& path) const;
  std::optional<std::string> GetText(const std::string& path) const;
  bool Remove(const std::string& path);
  // Paths of the files directly inside a directory, as created.
  std::vector<std::string> List(const std::string& directory) const;

  File* Find(const std::string& path);
  File* Create(const std::string& path);  // empty file; the parent must exist

  // Faults, by path (case-insensitive).
  void FailCreate(const std::string& path) { failCreate_.insert(Key(path)); }
  void FailOpen(const std::string& path) { failOpen_.insert(Key(path)); }
  void FailRead(const std::string& path) { failRead_.insert(Key(path)); }
  void FailWrite(const std::string& path) { failWrite_.insert(Key(path)); }
  // Writes that report success but take all but the last byte, as a network share may.
  void ShortenWrites(const std::string& path) { shortWrite_.insert(Key(path)); }
  bool CreateFails(const std::string& path) const { return failCreate_.count(Key(path)) != 0; }
  bool OpenFails(const std::string& path) const { return failOpen_.count(Key(path)) != 0; }
  bool ReadFails(const std::string& path) const { return failRead_.count(Key(path)) != 0; }
  bool WriteFails(const std::string& path) const { return failWrite_.count(Key(path)) != 0; }
  bool WritesShort(const std::string& path) const { return shortWrite_.count(Key(path)) != 0; }

  // A full disk: writes that would pass this many bytes in all files fail.
  void SetCapacity(std::optional<std::uint64_t> bytes) { capacity_ = bytes; }
  bool HasRoomFor(std::uint64_t extraBytes) const;
  std::uint64_t UsedBytes() const;

 private:
  static std::string Key(const std::string& path);

  std::map<std::string, File> files_;
  std::map<std::string, std::string> directories_;  // key -> name as created
  std::set<std::string> failCreate_, failOpen_, failRead_, failWrite_, shortWrite_;
  std::optional<std::uint64_t> capacity_;
};

}  // namespace qz::sim
