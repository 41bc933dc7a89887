#pragma once
// Whether a disk's controller is driven by the inbox legacy IDE drivers (the channel driver
// and the PCI IDE controller drivers that come with Windows): every device node from the
// disk's parent up to its PCI controller names one of them as its service. Only behind those
// may a raw register sequence stand in for a pass-through that is not supported; any other
// driver may have commands of its own in flight on the same registers.
#include "transport/disk_reg_data.hpp"

namespace qz {

bool ServedByInboxIdeDrivers(const DiskRegData& disk);

}  // namespace qz
