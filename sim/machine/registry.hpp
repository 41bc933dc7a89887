#pragma once
// The simulated registry: keys under the predefined roots, typed values, and keys that a
// test marks as failing to open or to take writes.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/types.hpp"

namespace qz::sim {

class Registry {
 public:
  struct Value {
    std::string name;
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
  };
  struct Key {
    std::string name;
    std::map<std::string, Value> values;               // by upper-case name
    std::map<std::string, std::unique_ptr<Key>> subkeys;  // by upper-case name
  };

  Registry();

  Key* Find(Handle root, const std::string& path);
  Key* Create(Handle root, const std::string& path);
  bool DeleteKey(Handle root, const std::string& path);
  // The path of a key below its root, upper case (for fault and hook matching).
  static std::string KeyPath(const std::string& path);

  void SetValue(Handle root, const std::string& path, const std::string& name, std::uint32_t type,
                std::vector<std::uint8_t> data);
  void SetString(Handle root, const std::string& path, const std::string& name,
                 const std::string& text, std::uint32_t type = 1);
  void SetMultiString(Handle root, const std::string& path, const std::string& name,
                      const std::vector<std::string>& strings);
  void SetDword(Handle root, const std::string& path, const std::string& name, std::uint32_t v);
  const Value* GetValue(Handle root, const std::string& path, const std::string& name);
  std::optional<std::string> GetString(Handle root, const std::string& path,
                                       const std::string& name);
  std::optional<std::vector<std::string>> GetMultiString(Handle root, const std::string& path,
                                                         const std::string& name);
  std::optional<std::uint32_t> GetDword(Handle root, const std::string& path,
                                        const std::string& name);
  bool DeleteValue(Handle root, const std::string& path, const std::string& name);

  // Faults: the key (not its subkeys) cannot be opened or created, or refuses value writes.
  void FailOpen(Handle root, const std::string& path) { failOpen_.insert(FaultKey(root, path)); }
  void FailWrite(Handle root, const std::string& path) { failWrite_.insert(FaultKey(root, path)); }
  bool OpenFails(Handle root, const std::string& path) const {
    return failOpen_.count(FaultKey(root, path)) != 0;
  }
  bool WriteFails(Handle root, const std::string& path) const {
    return failWrite_.count(FaultKey(root, path)) != 0;
  }
  // A watched value, as a security product keeps one: a write reports success and the value
  // keeps what it held before.
  void RevertWrites(Handle root, const std::string& path, const std::string& name) {
    revertWrite_.insert(FaultKey(root, path) + "\\" + KeyPath(name));
  }
  bool WriteReverted(Handle root, const std::string& path, const std::string& name) const {
    return revertWrite_.count(FaultKey(root, path) + "\\" + KeyPath(name)) != 0;
  }

  // Called on every value read through the seam (root, key path, value name): the
  // simulated system reacts to reads of some values, as Windows 9x does to its statistics.
  std::function<void(Handle, const std::string&, const std::string&)> onRead;

 private:
  static std::string FaultKey(Handle root, const std::string& path);
  std::map<Handle, std::unique_ptr<Key>> roots_;
  std::set<std::string> failOpen_, failWrite_, revertWrite_;
};

}  // namespace qz::sim
