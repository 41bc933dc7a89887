#include "sim/machine/file_system.hpp"

#include "sim/machine/path.hpp"

namespace qz::sim {

std::string FileSystem::Key(const std::string& path) { return PathKey(path); }

void FileSystem::AddDirectory(const std::string& path) {
  std::string parent = ParentPath(path);
  if (!parent.empty() && !IsDirectory(parent)) AddDirectory(parent);
  directories_.emplace(Key(path), path);
}

bool FileSystem::IsDirectory(const std::string& path) const {
  return directories_.count(Key(path)) != 0;
}

bool FileSystem::Exists(const std::string& path) const {
  return IsDirectory(path) || files_.count(Key(path)) != 0;
}

void FileSystem::Put(const std::string& path, std::vector<std::uint8_t> data) {
  std::string parent = ParentPath(path);
  if (!parent.empty()) AddDirectory(parent);
  auto& file = files_[Key(path)];
  if (file.name.empty()) file.name = path;
  file.data = std::move(data);
}

void FileSystem::PutText(const std::string& path, const std::string& text) {
  Put(path, std::vector<std::uint8_t>(text.begin(), text.end()));
}

std::optional<std::vector<std::uint8_t>> FileSystem::Get(const std::string& path) const {
  auto it = files_.find(Key(path));
  if (it == files_.end()) return std::nullopt;
  return it->second.data;
}

std::optional<std::string> FileSystem::GetText(const std::string& path) const {
  auto data = Get(path);
  if (!data) return std::nullopt;
  return std::string(data->begin(), data->end());
}

bool FileSystem::Remove(const std::string& path) { return files_.erase(Key(path)) != 0; }

std::vector<std::string> FileSystem::List(const std::string& directory) const {
  std::vector<std::string> out;
  const std::string dir = Key(directory);
  for (const auto& [key, file] : files_) {
    if (PathKey(ParentPath(key)) == dir) out.push_back(file.name);
  }
  return out;
}

FileSystem::File* FileSystem::Find(const std::string& path) {
  auto it = files_.find(Key(path));
  return it == files_.end() ? nullptr : &it->second;
}

FileSystem::File* FileSystem::Create(const std::string& path) {
  const std::string parent = ParentPath(path);
  if (!parent.empty() && !IsDirectory(parent)) return nullptr;
  auto& file = files_[Key(path)];
  if (file.name.empty()) file.name = path;
  file.data.clear();
  return &file;
}

std::uint64_t FileSystem::UsedBytes() const {
  std::uint64_t used = 0;
  for (const auto& [key, file] : files_) used += file.data.size();
  return used;
}

bool FileSystem::HasRoomFor(std::uint64_t extraBytes) const {
  return !capacity_ || UsedBytes() + extraBytes <= *capacity_;
}

}  // namespace qz::sim
