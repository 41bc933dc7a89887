#pragma once
// Whether the register-access drivers may be installed on this Windows at all.
#include <string>

#include "platform/win32_api.hpp"

namespace qz {

// Empty when the drivers may be written, registered and started; otherwise why not. From
// Windows 8 on they never are: the drives are reached through pass-through there, and
// nothing falls back to raw registers.
std::string RegisterAccessRefusal(Win32Api& os);

}  // namespace qz
