#pragma once
// Reads the flasher's transcript (Ombrel.log) from the system directory where the flasher
// ran: on 64-bit Windows the 64-bit one, with the WOW64 file-system redirection off for the
// read. Only a file within the log's size limit is read; anything amiss gives nothing.
#include <optional>

#include "platform/win32_api.hpp"
#include "updater/boot_outcome.hpp"

namespace qz {

std::optional<BootOutcome> ReadLastBootRun(Win32Api& api);

}  // namespace qz
