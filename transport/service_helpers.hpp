#pragma once
// Service-manager helpers of the two library installations.
#include <cstdint>
#include <string>

#include "platform/win32_api.hpp"

namespace qz {

// What the service manager says of one service.
enum class ServiceState { Running, NotRunning, Failed, Missing };
// How starting or stopping a service ended: Done when it ends running (started) or stopped.
enum class ServiceOutcome { Done, Failed, Missing };
// How creating a service ended; Missing when the manager reports error 1060.
enum class ServiceCreation { Created, AlreadyExists, Failed, Missing };

ServiceState IsServiceRunning(Win32Api& os, const std::string& name);
ServiceOutcome StartDriverService(Win32Api& os, const std::string& name);
// `seconds` -1: no limit.
ServiceOutcome StopServiceAndWait(Win32Api& os, const std::string& name, int seconds);
// A demand-start kernel driver "\SystemRoot\System32\drivers\<name>.sys".
ServiceCreation CreateDriverService(Win32Api& os, const std::string& name);
// The size of a file, 0 when it is missing or cannot be opened.
std::uint64_t FileSizeOf(Win32Api& os, const std::string& path);

}  // namespace qz
