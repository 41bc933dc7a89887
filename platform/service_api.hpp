#pragma once
// The service control manager: kernel-driver services and system services such as "Winmgmt".
#include <cstdint>
#include <string>

#include "platform/types.hpp"

namespace qz {

namespace service_state {
inline constexpr std::uint32_t kStopped = 1;
inline constexpr std::uint32_t kStartPending = 2;
inline constexpr std::uint32_t kStopPending = 3;
inline constexpr std::uint32_t kRunning = 4;
}  // namespace service_state

namespace service_type {
inline constexpr std::uint32_t kKernelDriver = 1;
inline constexpr std::uint32_t kWin32OwnProcess = 0x10;
inline constexpr std::uint32_t kWin32ShareProcess = 0x20;
}  // namespace service_type

namespace service_start {
inline constexpr std::uint32_t kBoot = 0;
inline constexpr std::uint32_t kSystem = 1;
inline constexpr std::uint32_t kAuto = 2;
inline constexpr std::uint32_t kDemand = 3;
inline constexpr std::uint32_t kDisabled = 4;
}  // namespace service_start

namespace service_control {
inline constexpr std::uint32_t kStop = 1;
}  // namespace service_control

inline constexpr std::uint32_t kErrorServiceAlreadyRunning = 1056;
inline constexpr std::uint32_t kErrorServiceDoesNotExist = 1060;
inline constexpr std::uint32_t kErrorServiceNotActive = 1062;
inline constexpr std::uint32_t kErrorServiceExists = 1073;
inline constexpr std::uint32_t kErrorServiceDisabled = 1058;

class ServiceApi {
 public:
  virtual ~ServiceApi() = default;

  virtual Handle OpenSCManager(std::uint32_t access) = 0;
  virtual Handle CreateService(Handle manager, const std::string& name,
                               const std::string& displayName, std::uint32_t access,
                               std::uint32_t type, std::uint32_t startType,
                               const std::string& binaryPath) = 0;
  virtual Handle OpenService(Handle manager, const std::string& name, std::uint32_t access) = 0;
  virtual bool StartService(Handle service) = 0;
  // Fills the current state (service_state).
  virtual bool QueryServiceStatus(Handle service, std::uint32_t& currentState) = 0;
  virtual bool ControlService(Handle service, std::uint32_t control,
                              std::uint32_t& currentState) = 0;
  virtual bool DeleteService(Handle service) = 0;
  virtual bool CloseServiceHandle(Handle object) = 0;
};

}  // namespace qz
