#pragma once
// The disks that enumeration found but no transport identified: a RAID or RST driver that
// refuses pass-through, an old miniport, a bridge. The drive list never shows their model, so
// the main window needs what Windows itself says of them to tell the user why.
#include <vector>

#include "transport/disk_reg_data.hpp"
#include "discovery/unreached_disk.hpp"

namespace qz {

// Entries of `entries` (the command device's list) whose flag in `identified` is not set.
std::vector<UnreachedDisk> ListUnreachedDisks(const std::vector<const DiskRegData*>& entries,
                                              const std::vector<bool>& identified);

}  // namespace qz
