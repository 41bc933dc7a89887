#include "sim/machine/services.hpp"

#include "platform/service_api.hpp"
#include "platform/text.hpp"

namespace qz::sim {

ServiceManager::Service* ServiceManager::Find(const std::string& name) {
  auto it = services_.find(ToUpperAscii(name));
  return it == services_.end() ? nullptr : &it->second;
}

ServiceManager::Service& ServiceManager::Add(const std::string& name, std::uint32_t type,
                                             std::uint32_t startType,
                                             const std::string& binaryPath, std::uint32_t state) {
  Service& s = services_[ToUpperAscii(name)];
  s.name = name;
  s.displayName = name;
  s.type = type;
  s.startType = startType;
  s.binaryPath = binaryPath;
  s.state = state;
  return s;
}

bool ServiceManager::Remove(const std::string& name) {
  return services_.erase(ToUpperAscii(name)) != 0;
}

void ServiceManager::OnStart(const std::string& name, std::function<bool(Service&)> routine) {
  onStart_[ToUpperAscii(name)] = std::move(routine);
}

void ServiceManager::OnStop(const std::string& name, std::function<void(Service&)> routine) {
  onStop_[ToUpperAscii(name)] = std::move(routine);
}

void ServiceManager::FailStart(const std::string& name) { failStart_.insert(ToUpperAscii(name)); }

void ServiceManager::HangStop(const std::string& name) { hangStop_.insert(ToUpperAscii(name)); }
void ServiceManager::RefuseStop(const std::string& name) { refuseStop_.insert(ToUpperAscii(name)); }

std::uint32_t ServiceManager::Start(Service& service) {
  const std::string key = ToUpperAscii(service.name);
  if (service.state == service_state::kRunning || service.state == service_state::kStopPending) {
    return kErrorServiceAlreadyRunning;
  }
  if (service.startType == service_start::kDisabled) return kErrorServiceDisabled;
  if (failStart_.count(key)) return 1053;  // ERROR_SERVICE_REQUEST_TIMEOUT
  auto it = onStart_.find(key);
  if (it != onStart_.end() && !it->second(service)) return 2;  // the image could not be loaded
  service.state = service_state::kRunning;
  return 0;
}

void ServiceManager::EndAll() {
  for (auto& [key, service] : services_) {
    if (service.state == service_state::kStopped) continue;
    auto it = onStop_.find(key);
    if (it != onStop_.end()) it->second(service);
    service.state = service_state::kStopped;
  }
}

void ServiceManager::StartAutomatic(const std::function<std::uint32_t(const Service&)>& startTypeOf) {
  for (auto& [key, service] : services_) {
    if (startTypeOf(service) <= service_start::kAuto) Start(service);
  }
}

std::uint32_t ServiceManager::Stop(Service& service) {
  ++stopRequests;
  if (service.state == service_state::kStopPending) return 0;
  if (service.state != service_state::kRunning) return kErrorServiceNotActive;
  if (refuseStop_.count(ToUpperAscii(service.name))) return 1061;
  if (hangStop_.count(ToUpperAscii(service.name))) {
    service.state = service_state::kStopPending;
    return 0;
  }
  auto it = onStop_.find(ToUpperAscii(service.name));
  if (it != onStop_.end()) it->second(service);
  service.state = service_state::kStopped;
  return 0;
}

}  // namespace qz::sim
