#include "transport/service_helpers.hpp"

#include <cstdio>

namespace qz {
namespace {

constexpr std::uint32_t kScManagerAllAccess = 0xF003F;
constexpr std::uint32_t kServiceAllAccess = 0xF01FF;

// The manager and one service, both closed on leaving.
class ServiceHandles {
 public:
  ServiceHandles(Win32Api& os, const std::string& name) : os_(os) {
    manager_ = os_.OpenSCManager(kScManagerAllAccess);
    if (manager_ == kNullHandle) return;
    service_ = os_.OpenService(manager_, name, kServiceAllAccess);
    if (service_ == kNullHandle) missing_ = os_.GetLastError() == kErrorServiceDoesNotExist;
  }
  ~ServiceHandles() {
    const std::uint32_t error = os_.GetLastError();
    if (service_ != kNullHandle) os_.CloseServiceHandle(service_);
    if (manager_ != kNullHandle) os_.CloseServiceHandle(manager_);
    os_.SetLastError(error);
  }
  ServiceHandles(const ServiceHandles&) = delete;
  ServiceHandles& operator=(const ServiceHandles&) = delete;

  Handle service() const { return service_; }
  bool open() const { return service_ != kNullHandle; }
  // Why a start or stop could not even begin.
  ServiceOutcome OpenFailure() const {
    return missing_ ? ServiceOutcome::Missing : ServiceOutcome::Failed;
  }

 private:
  Win32Api& os_;
  Handle manager_ = kNullHandle;
  Handle service_ = kNullHandle;
  bool missing_ = false;
};

}  // namespace

ServiceState IsServiceRunning(Win32Api& os, const std::string& name) {
  ServiceHandles h(os, name);
  if (!h.open()) {
    return h.OpenFailure() == ServiceOutcome::Missing ? ServiceState::Missing
                                                      : ServiceState::Failed;
  }
  std::uint32_t state = 0;
  if (!os.QueryServiceStatus(h.service(), state)) return ServiceState::Failed;
  return state == service_state::kRunning ? ServiceState::Running : ServiceState::NotRunning;
}

ServiceOutcome StartDriverService(Win32Api& os, const std::string& name) {
  ServiceHandles h(os, name);
  if (!h.open()) return h.OpenFailure();
  return os.StartService(h.service()) ? ServiceOutcome::Done : ServiceOutcome::Failed;
}

ServiceOutcome StopServiceAndWait(Win32Api& os, const std::string& name, int seconds) {
  ServiceHandles h(os, name);
  if (!h.open()) return h.OpenFailure();
  std::uint32_t state = 0;
  os.ControlService(h.service(), service_control::kStop, state);
  if (!os.QueryServiceStatus(h.service(), state)) return ServiceOutcome::Failed;
  while (state == service_state::kStopPending && seconds != 0) {
    os.Sleep(1000);
    if (seconds > 0) --seconds;
    if (!os.QueryServiceStatus(h.service(), state)) return ServiceOutcome::Failed;
  }
  return state == service_state::kStopped ? ServiceOutcome::Done : ServiceOutcome::Failed;
}

ServiceCreation CreateDriverService(Win32Api& os, const std::string& name) {
  const Handle manager = os.OpenSCManager(kScManagerAllAccess);
  if (manager == kNullHandle) return ServiceCreation::Failed;
  // "\SystemRoot\" spells out what a bare "System32\..." means to the service manager, and
  // is also understood by driver hosts that do not resolve the bare form.
  char path[259];
  std::snprintf(path, sizeof(path), "\\SystemRoot\\System32\\drivers\\%s.sys", name.c_str());
  const Handle service = os.CreateService(manager, name, name, kServiceAllAccess,
                                          service_type::kKernelDriver, service_start::kDemand, path);
  ServiceCreation result = ServiceCreation::Created;
  if (service == kNullHandle) {
    const std::uint32_t error = os.GetLastError();
    result = error == kErrorServiceExists         ? ServiceCreation::AlreadyExists
             : error == kErrorServiceDoesNotExist ? ServiceCreation::Missing
                                                  : ServiceCreation::Failed;
  } else {
    os.CloseServiceHandle(service);
  }
  os.CloseServiceHandle(manager);
  return result;
}

std::uint64_t FileSizeOf(Win32Api& os, const std::string& path) {
  const Handle file = os.CreateFile(path, access::kGenericRead, share::kRead | share::kWrite,
                                    disposition::kOpenExisting, kFileAttributeNormal);
  if (file == kInvalidHandle) return 0;
  std::uint64_t size = 0;
  if (!os.GetFileSize(file, size)) size = 0;
  os.CloseHandle(file);
  return size;
}

}  // namespace qz
