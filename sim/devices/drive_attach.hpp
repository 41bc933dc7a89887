#pragma once
// Puts a drive behind a disk of the device tree: the disk's device now also takes the
// pass-through requests, as its controller's port driver would, and hands them to the drive.
#include <memory>

#include "sim/machine/machine.hpp"
#include "sim/devices/pass_through_disk.hpp"

namespace qz::sim {

std::shared_ptr<PassThroughDisk> AttachDrive(Machine& machine, SimDisk& disk,
                                             std::shared_ptr<AtaLink> drive, PortDriver driver);

}  // namespace qz::sim
