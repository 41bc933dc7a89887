#pragma once
// Service-manager helpers of the two library installations; results as small integers.
#include <cstdint>
#include <string>

#include "platform/win32_api.hpp"

namespace qz {

// 1 running, 0 not running, -1 on any failure, -2 when the service does not exist.
int IsServiceRunning(Win32Api& os, const std::string& name);
// 1 started, -1 failed, -2 the service does not exist.
int StartDriverService(Win32Api& os, const std::string& name);
// 1 when the service ends stopped, else -1; -2 when it does not exist. seconds -1: no limit.
int StopServiceAndWait(Win32Api& os, const std::string& name, int seconds);
// A demand-start kernel driver "\SystemRoot\System32\drivers\<name>.sys": 1 created, 0 it already exists,
// -2 for error 1060, -1 otherwise.
int CreateDriverService(Win32Api& os, const std::string& name);
// The size of a file, 0 when it is missing or cannot be opened.
std::uint64_t FileSizeOf(Win32Api& os, const std::string& path);

}  // namespace qz
