#pragma once
// WMI through COM, one call per step so that each set-up step and its failure is visible.
// Objects and their interfaces are opaque handles; property values arrive as text, each
// element of an array value on its own.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/types.hpp"

namespace qz {

// One property value after the variant-to-text conversion. An empty, null or unconvertible
// scalar has no items.
struct WmiValue {
  bool isArray = false;
  std::vector<std::string> items;
};

// HRESULTs the code names; negative is failure.
namespace hr {
inline constexpr std::int32_t kOk = 0;
inline constexpr std::int32_t kFalse = 1;
inline constexpr std::int32_t kFail = static_cast<std::int32_t>(0x80004005u);
inline constexpr std::int32_t kRpcTooLate = static_cast<std::int32_t>(0x80010119u);
inline constexpr std::int32_t kWbemFailed = static_cast<std::int32_t>(0x80041001u);
inline constexpr std::int32_t kWbemNotFound = static_cast<std::int32_t>(0x80041002u);
inline constexpr std::int32_t kWbemInvalidClass = static_cast<std::int32_t>(0x80041010u);
inline constexpr std::int32_t kRpcUnavailable = static_cast<std::int32_t>(0x800706BAu);
}  // namespace hr

namespace rpc {
inline constexpr std::uint32_t kAuthnLevelDefault = 0;
inline constexpr std::uint32_t kAuthnLevelCall = 3;
inline constexpr std::uint32_t kImpLevelImpersonate = 3;
inline constexpr std::uint32_t kAuthnWinNt = 10;
inline constexpr std::uint32_t kAuthzNone = 0;
inline constexpr std::uint32_t kEoacNone = 0;
}  // namespace rpc

namespace wbem_flag {
inline constexpr std::int32_t kConnectUseMaxWait = 0x80;
inline constexpr std::int32_t kReturnImmediately = 0x10;
inline constexpr std::int32_t kForwardOnly = 0x20;
inline constexpr std::int32_t kNonSystemOnly = 0x40;  // with the next two: 0x70 for GetNames
inline constexpr std::int32_t kAlways = 0;
inline constexpr std::int32_t kInfinite = -1;
}  // namespace wbem_flag

class WmiApi {
 public:
  virtual ~WmiApi() = default;

  virtual std::int32_t CoInitialize() = 0;
  virtual void CoUninitialize() = 0;
  virtual std::int32_t CoInitializeSecurity(std::uint32_t authnLevel, std::uint32_t impLevel,
                                            std::uint32_t capabilities) = 0;
  // CoCreateInstance of the WbemLocator class, in-process, for IWbemLocator.
  virtual std::int32_t CreateLocator(Handle& locator) = 0;
  virtual std::int32_t ConnectServer(Handle locator, const std::string& nameSpace,
                                     std::int32_t flags, Handle& services) = 0;
  virtual std::int32_t SetProxyBlanket(Handle services, std::uint32_t authn, std::uint32_t authz,
                                       std::uint32_t authnLevel, std::uint32_t impLevel,
                                       std::uint32_t capabilities) = 0;
  virtual std::int32_t ExecQuery(Handle services, const std::string& language,
                                 const std::string& query, std::int32_t flags,
                                 Handle& enumerator) = 0;
  // One object at a time; returned 0 means the end.
  virtual std::int32_t Next(Handle enumerator, std::int32_t timeout, Handle& object,
                            std::uint32_t& returned) = 0;
  virtual std::int32_t GetNames(Handle object, std::int32_t flags,
                                std::vector<std::string>& names) = 0;
  virtual std::int32_t Get(Handle object, const std::string& name, WmiValue& value) = 0;
  // Releases a locator, services, enumerator or object.
  virtual void Release(Handle object) = 0;
};

}  // namespace qz
