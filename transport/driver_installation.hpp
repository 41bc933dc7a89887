#pragma once
// The installation that both library loaders run at start: the service key, the library and
// the driver written into the system directory when missing or of the wrong size, the
// kernel service created (demand start) and started; and the stop when they let go.
#include <string>

#include "platform/fs_redirection_api.hpp"
#include "platform/win32_api.hpp"
#include "transport/library_images.hpp"

namespace qz {

struct DriverInstallation {
  const char* libraryFile;   // "tessel.dll"
  const char* driverFile;    // "tessel.sys"
  const char* serviceName;   // "tessel"
  const char* serviceKey;    // under HKEY_LOCAL_MACHINE
  const char* displayName;
  // On Windows 9x: true ends the installation successfully after the library; false fails
  // it (no driver for those systems is carried).
  bool librarySufficesOn9x;
};

// The system directory joined with a name ("\" added unless the directory ends with one).
std::string SystemPath(Win32Api& os, const std::string& name);

// The driver is stopped when the updater lets go of its library, so that nothing of it keeps
// running; a service that does not stop within this many seconds is left as it is.
inline constexpr int kReleaseStopSeconds = 5;
void StopDriverOnRelease(Win32Api& os, const DriverInstallation& what);

// Returns true when the library is in place and, on Windows NT, its driver runs.
bool RunDriverInstallation(Win32Api& os, FsRedirectionApi& fs, const DriverInstallation& what,
                           const LibraryImages& images);

}  // namespace qz
