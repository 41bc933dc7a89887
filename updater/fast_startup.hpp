#pragma once
// Windows 8 and later shut down into a saved kernel when fast startup is on: the next start
// resumes it and the Session Manager never runs BootExecute. Only a restart does.
#include "platform/win32_api.hpp"
#include "transport/os_version_code.hpp"

namespace qz {

// Fast startup is on: Windows 8 or later, and "HiberbootEnabled" under the Session Manager's
// "Power" key is the DWORD 1.
bool FastStartupOn(Win32Api& api, OsVersionCode code);

}  // namespace qz
