#include "sim/machine/registry.hpp"

#include "platform/little_endian.hpp"
#include "platform/multi_string.hpp"
#include "platform/registry_api.hpp"
#include "platform/text.hpp"

namespace qz::sim {
namespace {

std::vector<std::string> SplitPath(const std::string& path) {
  std::vector<std::string> parts;
  std::string part;
  for (char c : path) {
    if (c == '\\') {
      if (!part.empty()) parts.push_back(part);
      part.clear();
    } else {
      part.push_back(c);
    }
  }
  if (!part.empty()) parts.push_back(part);
  return parts;
}

}  // namespace

Registry::Registry() {
  for (Handle root : {hkey::kClassesRoot, hkey::kCurrentUser, hkey::kLocalMachine, hkey::kUsers}) {
    roots_[root] = std::make_unique<Key>();
  }
}

std::string Registry::KeyPath(const std::string& path) {
  std::string out;
  for (const auto& part : SplitPath(path)) {
    if (!out.empty()) out.push_back('\\');
    out += ToUpperAscii(part);
  }
  return out;
}

std::string Registry::FaultKey(Handle root, const std::string& path) {
  return std::to_string(root) + ":" + KeyPath(path);
}

Registry::Key* Registry::Find(Handle root, const std::string& path) {
  auto it = roots_.find(root);
  if (it == roots_.end()) return nullptr;
  Key* key = it->second.get();
  for (const auto& part : SplitPath(path)) {
    auto sub = key->subkeys.find(ToUpperAscii(part));
    if (sub == key->subkeys.end()) return nullptr;
    key = sub->second.get();
  }
  return key;
}

Registry::Key* Registry::Create(Handle root, const std::string& path) {
  auto& rootKey = roots_[root];
  if (!rootKey) rootKey = std::make_unique<Key>();
  Key* key = rootKey.get();
  for (const auto& part : SplitPath(path)) {
    auto& sub = key->subkeys[ToUpperAscii(part)];
    if (!sub) {
      sub = std::make_unique<Key>();
      sub->name = part;
    }
    key = sub.get();
  }
  return key;
}

bool Registry::DeleteKey(Handle root, const std::string& path) {
  auto parts = SplitPath(path);
  if (parts.empty()) return false;
  const std::string last = ToUpperAscii(parts.back());
  parts.pop_back();
  std::string parentPath;
  for (const auto& p : parts) parentPath += p + "\\";
  Key* parent = Find(root, parentPath);
  return parent && parent->subkeys.erase(last) != 0;
}

void Registry::SetValue(Handle root, const std::string& path, const std::string& name,
                        std::uint32_t type, std::vector<std::uint8_t> data) {
  Key* key = Create(root, path);
  auto& value = key->values[ToUpperAscii(name)];
  value.name = name;
  value.type = type;
  value.data = std::move(data);
}

void Registry::SetString(Handle root, const std::string& path, const std::string& name,
                         const std::string& text, std::uint32_t type) {
  std::vector<std::uint8_t> data(text.begin(), text.end());
  data.push_back(0);
  SetValue(root, path, name, type, std::move(data));
}

void Registry::SetMultiString(Handle root, const std::string& path, const std::string& name,
                              const std::vector<std::string>& strings) {
  SetValue(root, path, name, reg_type::kMultiSz, qz::EncodeMultiString(strings));
}

void Registry::SetDword(Handle root, const std::string& path, const std::string& name,
                        std::uint32_t v) {
  std::vector<std::uint8_t> data(4);
  le::Store32(data.data(), v);
  SetValue(root, path, name, reg_type::kDword, std::move(data));
}

const Registry::Value* Registry::GetValue(Handle root, const std::string& path,
                                          const std::string& name) {
  Key* key = Find(root, path);
  if (!key) return nullptr;
  auto it = key->values.find(ToUpperAscii(name));
  return it == key->values.end() ? nullptr : &it->second;
}

std::optional<std::string> Registry::GetString(Handle root, const std::string& path,
                                               const std::string& name) {
  const Value* v = GetValue(root, path, name);
  if (!v || (v->type != reg_type::kSz && v->type != reg_type::kExpandSz)) return std::nullopt;
  std::string text(v->data.begin(), v->data.end());
  const auto nul = text.find('\0');
  if (nul != std::string::npos) text.resize(nul);
  return text;
}

std::optional<std::vector<std::string>> Registry::GetMultiString(Handle root,
                                                                 const std::string& path,
                                                                 const std::string& name) {
  const Value* v = GetValue(root, path, name);
  if (!v || v->type != reg_type::kMultiSz) return std::nullopt;
  return qz::DecodeMultiString(v->data);
}

std::optional<std::uint32_t> Registry::GetDword(Handle root, const std::string& path,
                                                const std::string& name) {
  const Value* v = GetValue(root, path, name);
  if (!v || v->type != reg_type::kDword || v->data.size() != 4) return std::nullopt;
  return le::Load32(v->data.data());
}

bool Registry::DeleteValue(Handle root, const std::string& path, const std::string& name) {
  Key* key = Find(root, path);
  return key && key->values.erase(ToUpperAscii(name)) != 0;
}

}  // namespace qz::sim
