#pragma once
// Orders the first count entries: those with a SCSI address first, by address (on equal
// addresses the later entry first), then the others in enumeration order.
#include <cstddef>
#include <vector>

#include "transport/disk_reg_data.hpp"

namespace qz {

void RearrangeByScsiAddress(std::vector<DiskRegData>& entries, std::size_t count);

}  // namespace qz
