#include "sim/devices/drive_attach.hpp"

namespace qz::sim {

std::shared_ptr<PassThroughDisk> AttachDrive(Machine& machine, SimDisk& disk,
                                             std::shared_ptr<AtaLink> drive, PortDriver driver) {
  auto port = std::make_shared<PassThroughDisk>(machine, std::move(drive), driver, disk.device);
  port->pathId = disk.device->pathId;
  port->targetId = disk.device->targetId;
  port->lun = disk.device->lun;
  machine.AddDevice(machine.deviceTree.interfaces[static_cast<std::size_t>(disk.interface)].path,
                    port);
  return port;
}

}  // namespace qz::sim
