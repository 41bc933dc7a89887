#pragma once
// The registry, with the system's error codes as results (0 is success).
#include <cstdint>
#include <string>

#include "platform/types.hpp"

namespace qz {

namespace hkey {
inline constexpr Handle kClassesRoot = 0x80000000u;
inline constexpr Handle kCurrentUser = 0x80000001u;
inline constexpr Handle kLocalMachine = 0x80000002u;
inline constexpr Handle kUsers = 0x80000003u;
inline constexpr Handle kDynData = 0x80000006u;
}  // namespace hkey

namespace reg_type {
inline constexpr std::uint32_t kNone = 0;
inline constexpr std::uint32_t kSz = 1;
inline constexpr std::uint32_t kExpandSz = 2;
inline constexpr std::uint32_t kBinary = 3;
inline constexpr std::uint32_t kDword = 4;
inline constexpr std::uint32_t kMultiSz = 7;
}  // namespace reg_type

namespace key_access {
inline constexpr std::uint32_t kQueryValue = 0x0001;
inline constexpr std::uint32_t kSetValue = 0x0002;
inline constexpr std::uint32_t kRead = 0x20019;
inline constexpr std::uint32_t kWrite = 0x20006;
inline constexpr std::uint32_t kAllAccess = 0xF003F;
}  // namespace key_access

class RegistryApi {
 public:
  virtual ~RegistryApi() = default;

  virtual std::int32_t RegOpenKeyEx(Handle root, const std::string& subKey, std::uint32_t access,
                                    Handle& key) = 0;
  virtual std::int32_t RegCreateKeyEx(Handle root, const std::string& subKey,
                                      std::uint32_t access, Handle& key) = 0;
  // Mirrors RegQueryValueEx: on entry size is the buffer's capacity (the span's length is
  // ignored beyond it); on return the value's length. A short buffer answers ERROR_MORE_DATA;
  // an empty buffer asks only for type and size.
  virtual std::int32_t RegQueryValueEx(Handle key, const std::string& name, std::uint32_t& type,
                                       Bytes buffer, std::uint32_t& size) = 0;
  virtual std::int32_t RegSetValueEx(Handle key, const std::string& name, std::uint32_t type,
                                     ConstBytes data) = 0;
  virtual std::int32_t RegDeleteValue(Handle key, const std::string& name) = 0;
  virtual std::int32_t RegCloseKey(Handle key) = 0;
};

}  // namespace qz
