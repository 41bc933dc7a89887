#pragma once
// The faults a rehearsal can inject by name: the machine refuses a file, a key, room or the copy
// helper while the updater stages, or the drive fails while the flasher downloads.
#include <string>
#include <vector>

#include "sim/devices/ata_drive.hpp"
#include "sim/machine/machine.hpp"

namespace qz::demo {

const std::vector<std::string>& FaultNames();
bool IsDriveFault(const std::string& fault);

// Sets up a fault of staging on the machine; false for a name that is no fault.
bool ApplyFault(const std::string& fault, sim::Machine& machine);
// Arms a fault of the drive for the flasher's download.
void ApplyDriveFault(const std::string& fault, sim::AtaDrive& drive);

}  // namespace qz::demo
