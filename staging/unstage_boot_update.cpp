#include "staging/unstage_boot_update.hpp"

#include <vector>

#include "platform/multi_string.hpp"
#include "platform/registry_api.hpp"
#include "staging/boot_execute.hpp"

namespace qz {

bool UnstageBootUpdate(Win32Api& api, const std::string& name) {
  Handle key = kNullHandle;
  if (api.RegOpenKeyEx(hkey::kLocalMachine, kSessionManagerKey, key_access::kAllAccess, key) != 0) {
    return false;
  }
  std::uint32_t type = 0, size = 0;
  bool ok = false;
  if (api.RegQueryValueEx(key, "BootExecute", type, {}, size) == 0 && type == reg_type::kMultiSz) {
    std::vector<std::uint8_t> data(size);
    if (size == 0 || api.RegQueryValueEx(key, "BootExecute", type, data, size) == 0) {
      std::vector<std::string> kept;
      bool named = false;
      for (const auto& entry : DecodeMultiString(data)) {
        if (IsEntryOfProgram(entry, name)) {
          named = true;
        } else {
          kept.push_back(entry);
        }
      }
      if (!named) {
        ok = true;
      } else {
        if (kept.empty()) kept.emplace_back(kDefaultBootEntry);
        ok = api.RegSetValueEx(key, "BootExecute", reg_type::kMultiSz, EncodeMultiString(kept)) == 0;
      }
    }
  }
  api.RegCloseKey(key);
  return ok;
}

}  // namespace qz
