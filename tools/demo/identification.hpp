#pragma once
// How the updater identified a disk, read from what its port driver carried: the request of the
// first IDENTIFY the drive answered, how many went unanswered, or what the disk received instead.
#include <string>

#include "tools/demo/demo_machine.hpp"

namespace qz::demo {

std::string IdentifiedThrough(const AttachedDrive& drive);

}  // namespace qz::demo
