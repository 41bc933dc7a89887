#pragma once
// One process's WMI client on the simulated machine: COM set-up, the connection to
// "ROOT\CIMV2" (which needs the "Winmgmt" service running), WQL queries and their objects.
#include <map>
#include <string>
#include <vector>

#include "platform/wmi_api.hpp"
#include "sim/os/sim_win32.hpp"
#include "sim/machine/wmi_repository.hpp"

namespace qz::sim {

class SimWmi final : public WmiApi {
 public:
  explicit SimWmi(SimWin32& process);

  // Objects and interfaces not yet released, and the COM initialisation depth.
  std::size_t OpenObjectCount() const;
  int ComDepth() const { return comDepth_; }

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

 private:
  enum class Kind { Locator, Services, Enumerator, Object };
  struct Entry {
    Kind kind;
    std::vector<WmiInstance> results;  // an enumerator's
    std::size_t position = 0;
    WmiInstance instance;  // an object's
  };
  bool Fails(const char* step);
  Handle Add(Entry entry);
  Entry* Find(Handle h, Kind kind);

  SimWin32& process_;
  Machine& machine_;
  int comDepth_ = 0;
  Handle next_ = 0x9000;
  std::map<Handle, Entry> objects_;
};

}  // namespace qz::sim
