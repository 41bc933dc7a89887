#include "updater/fast_startup.hpp"

#include <array>

#include "platform/little_endian.hpp"

namespace qz {

namespace {
constexpr char kPowerKey[] = "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Power";
}  // namespace

bool FastStartupOn(Win32Api& api, OsVersionCode code) {
  if (OsFamily(code) < os_family::kWindows8) return false;
  Handle key = kNullHandle;
  if (api.RegOpenKeyEx(hkey::kLocalMachine, kPowerKey, key_access::kQueryValue, key) != 0) return false;
  std::array<std::uint8_t, 4> data{};
  std::uint32_t type = 0, size = data.size();
  const bool read = api.RegQueryValueEx(key, "HiberbootEnabled", type, data, size) == 0;
  api.RegCloseKey(key);
  return read && type == reg_type::kDword && size == data.size() && le::Load32(data.data()) == 1;
}

}  // namespace qz
