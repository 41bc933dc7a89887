#pragma once
// WMI of the running Windows through COM (IWbemLocator, IWbemServices and their objects).
#include "platform/wmi_api.hpp"

namespace qz {

class RealWmi final : public WmiApi {
 public:
  std::int32_t CoInitialize() override;
  void CoUninitialize() override;
  std::int32_t CoInitializeSecurity(std::uint32_t authnLevel, std::uint32_t impLevel,
                                    std::uint32_t capabilities) override;
  std::int32_t CreateLocator(Handle& locator) override;
  std::int32_t ConnectServer(Handle locator, const std::string& nameSpace, std::int32_t flags,
                             Handle& services) override;
  std::int32_t SetProxyBlanket(Handle services, std::uint32_t authn, std::uint32_t authz,
                               std::uint32_t authnLevel, std::uint32_t impLevel,
                               std::uint32_t capabilities) override;
  std::int32_t ExecQuery(Handle services, const std::string& language, const std::string& query,
                         std::int32_t flags, Handle& enumerator) override;
  std::int32_t Next(Handle enumerator, std::int32_t timeout, Handle& object,
                    std::uint32_t& returned) override;
  std::int32_t GetNames(Handle object, std::int32_t flags, std::vector<std::string>& names) override;
  std::int32_t Get(Handle object, const std::string& name, WmiValue& value) override;
  void Release(Handle object) override;
};

}  // namespace qz
