#pragma once
// The demo's machines: a Windows release, the storage stack around its disks and the drives
// behind them, and the drive-facing interfaces of the updater's process on it.
#include <memory>
#include <string>
#include <vector>

#include "sim/ata_drive.hpp"
#include "sim/drive_apis.hpp"
#include "sim/machine.hpp"

namespace qz::demo {

enum class DiskLayout {
  AhciWithUsb,  // AHCI desktop: the eligible drive, another model and a USB disk
  LegacyIde,    // legacy IDE controller: the eligible drive and another model
};

// What one drive reports; empty fields keep the layout's own.
struct DemoDrive {
  std::string model, serial, revision, extension;
};

struct DemoMachine {
  std::string name;
  std::string title;
  sim::Windows release = sim::Windows::Win7X64;
  DiskLayout layout = DiskLayout::AhciWithUsb;
  bool usbDisk = true;            // AHCI layout only
  std::vector<DemoDrive> drives;  // overrides for the layout's ATA drives, in disk order
};

// The built-in machines, the default first.
std::vector<DemoMachine> BuiltInMachines();

// The Windows releases a machine file may name, and the ATA drives each layout has room for.
const std::vector<std::pair<std::string, sim::Windows>>& ReleaseNames();
std::size_t DriveSlots(DiskLayout layout);

struct AttachedDrive {
  std::shared_ptr<sim::AtaDrive> drive;  // null for the USB disk
  bool usb = false;
  sim::AtaDrive::Identity before;  // what the drive reported when the machine was built
};

// Boot files and the default BootExecute, then the disks of the layout, each ATA disk with a
// simulated drive behind it (also reachable by the boot-time flasher as \??\PhysicalDrive<n>).
std::vector<AttachedDrive> BuildDemoMachine(sim::Machine& machine, const DemoMachine& spec);

using sim::DriveApis;

}  // namespace qz::demo
