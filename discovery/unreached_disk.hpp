#pragma once
// A disk that enumeration found and no transport identified, as Windows itself names it.
#include <cstdint>
#include <string>

namespace qz {

struct UnreachedDisk {
  std::uint32_t DiskNumber = 0;
  std::string WmiModel;          // "Win32_DiskDrive" Model; empty when WMI had no record
  std::string FriendlyName;      // the Setup API's name of the disk
  std::string ControllerDriver;  // the service of the nearest device node above that has one
};

}  // namespace qz
