#pragma once
// Takes a staged flasher off the Session Manager's BootExecute list again, for an update that
// turned out not to be complete: the other entries stay as they are.
#include <string>

#include "platform/win32_api.hpp"

namespace qz {

// Removes the entries that run `name`; an emptied list becomes the default disk check. True
// when the list no longer names the program.
bool UnstageBootUpdate(Win32Api& api, const std::string& name);

}  // namespace qz
