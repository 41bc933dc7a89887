#pragma once
// Process tokens, group membership and privileges (advapi32).
#include <cstdint>
#include <string>
#include <vector>

#include "platform/types.hpp"

namespace qz {

// A security identifier as its parts; S-1-5-32-544 is {{0,0,0,0,0,5}, {32, 544}}.
struct Sid {
  std::uint8_t authority[6] = {};
  std::vector<std::uint32_t> subAuthorities;
  friend bool operator==(const Sid&, const Sid&) = default;
};

struct SidAndAttributes {
  Sid sid;
  std::uint32_t attributes = 0;
};

namespace group_attr {
inline constexpr std::uint32_t kMandatory = 0x1;
inline constexpr std::uint32_t kEnabledByDefault = 0x2;
inline constexpr std::uint32_t kEnabled = 0x4;
inline constexpr std::uint32_t kOwner = 0x8;
inline constexpr std::uint32_t kUseForDenyOnly = 0x10;
}  // namespace group_attr

namespace token_access {
inline constexpr std::uint32_t kAdjustPrivileges = 0x0020;
inline constexpr std::uint32_t kQuery = 0x0008;
inline constexpr std::uint32_t kRead = 0x20008;
}  // namespace token_access

class SecurityApi {
 public:
  virtual ~SecurityApi() = default;

  virtual bool OpenProcessToken(std::uint32_t desiredAccess, Handle& token) = 0;
  // GetTokenInformation(TokenGroups) into a buffer of bufferSize bytes (32-bit layout);
  // fails with ERROR_INSUFFICIENT_BUFFER when the groups do not fit.
  virtual bool GetTokenGroups(Handle token, std::uint32_t bufferSize,
                              std::vector<SidAndAttributes>& groups) = 0;
  virtual bool LookupPrivilegeValue(const std::string& name, std::uint64_t& luid) = 0;
  // One privilege, enabled or disabled; success still leaves ERROR_NOT_ALL_ASSIGNED in
  // GetLastError when the token does not hold it, as the system does.
  virtual bool AdjustTokenPrivilege(Handle token, std::uint64_t luid, bool enable) = 0;
  virtual bool CloseToken(Handle token) = 0;
};

}  // namespace qz
