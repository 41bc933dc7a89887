#pragma once
// The flasher's transcript, Ombrel.log, beside it in the system directory where it ran. A new
// staging removes the last run's copy: a flasher that then never runs, or stops before it
// writes, must leave no older story for the next start to show.
#include <string_view>

#include "platform/win32_api.hpp"

namespace qz {

inline constexpr std::string_view kBootLogName = "Ombrel.log";

// Deletes the log where this process sees the system directory and, under WOW64, in the
// 64-bit one too (the file-system redirection is turned off for that delete only). True when
// no copy is left in either; false as well when the 64-bit one can't be reached.
bool RemoveLastBootLog(Win32Api& api, bool wow64);

}  // namespace qz
