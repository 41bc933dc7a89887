#pragma once
// The demo's machines: a Windows release, the storage stack around its disks and the drives
// behind them, and the drive-facing interfaces of the updater's process on it.
#include <memory>
#include <string>
#include <vector>

#include "sim/ata_drive.hpp"
#include "sim/machine.hpp"
#include "sim/sim_fs_redirection.hpp"
#include "sim/sim_physical_access.hpp"
#include "sim/sim_port_io.hpp"
#include "sim/sim_setup_api.hpp"
#include "sim/sim_win32.hpp"
#include "sim/sim_wmi.hpp"
#include "sim/stub_image.hpp"
#include "transport/ata_command_device.hpp"

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

// The drive-facing interfaces over one process's view of the machine, with the register-access
// libraries' images the loaders install (stand-ins of the right processor).
struct DriveApis {
  DriveApis(sim::Machine& machine, sim::SimWin32& api)
      : setup(api), wmi(api), fs(api), portIo(api), physical(api),
        system{api, setup, wmi, fs, portIo, physical, machine.userBuffers,
               {ntport, ntport, ntport64}, {tessel, tessel, tessel64}} {}
  sim::SimSetupApi setup;
  sim::SimWmi wmi;
  sim::SimFsRedirection fs;
  sim::SimPortIo portIo;
  sim::SimPhysicalAccess physical;
  std::vector<std::uint8_t> ntport = sim::StubImage(sim::kImageX86, 3000, 1);
  std::vector<std::uint8_t> ntport64 = sim::StubImage(sim::kImageX64, 3000, 2);
  std::vector<std::uint8_t> tessel = sim::StubImage(sim::kImageX86, 4000, 3);
  std::vector<std::uint8_t> tessel64 = sim::StubImage(sim::kImageX64, 4000, 4);
  CommandDeviceSystem system;
};

}  // namespace qz::demo
