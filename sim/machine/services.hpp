#pragma once
// The simulated service control manager. Starting a service runs its start routine, which a
// later part of the machine supplies (a simulated driver creating its device, say).
#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>

namespace qz::sim {

class ServiceManager {
 public:
  struct Service {
    std::string name;
    std::string displayName;
    std::uint32_t type = 0;
    std::uint32_t startType = 0;
    std::string binaryPath;
    std::uint32_t state = 1;  // stopped
  };

  Service* Find(const std::string& name);
  Service& Add(const std::string& name, std::uint32_t type, std::uint32_t startType,
               const std::string& binaryPath, std::uint32_t state);
  bool Remove(const std::string& name);

  // Runs when a service named so starts; returning false makes the start fail.
  void OnStart(const std::string& name, std::function<bool(Service&)> routine);
  void OnStop(const std::string& name, std::function<void(Service&)> routine);
  // Faults.
  void FailStart(const std::string& name);
  // A service that never finishes stopping: a stop leaves it STOP_PENDING.
  void HangStop(const std::string& name);
  // A service that refuses to stop (ERROR_SERVICE_CANNOT_ACCEPT_CTRL) and keeps running.
  void RefuseStop(const std::string& name);
  int stopRequests = 0;  // stop controls received, by any service
  void FailOpenManager(bool fail) { failManager_ = fail; }
  bool ManagerFails() const { return failManager_; }

  // A restart, in two halves: everything ends with the machine (no stop control is sent, none
  // can be refused); later the services whose start type (startTypeOf: the registry's word,
  // which is what the real service manager reads at boot) is boot, system or automatic start.
  void EndAll();
  void StartAutomatic(const std::function<std::uint32_t(const Service&)>& startTypeOf);

  // Returns 0 or the Win32 error of a failed start.
  std::uint32_t Start(Service& service);
  std::uint32_t Stop(Service& service);

 private:
  std::map<std::string, Service> services_;  // by upper-case name
  std::map<std::string, std::function<bool(Service&)>> onStart_;
  std::map<std::string, std::function<void(Service&)>> onStop_;
  std::set<std::string> failStart_;
  std::set<std::string> hangStop_;
  std::set<std::string> refuseStop_;
  bool failManager_ = false;
};

}  // namespace qz::sim
