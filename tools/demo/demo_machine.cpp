#include "tools/demo/demo_machine.hpp"

#include "platform/registry_api.hpp"
#include "sim/ata_drive_link.hpp"
#include "sim/disk_machines.hpp"
#include "sim/drive_attach.hpp"
#include "staging/boot_execute.hpp"

namespace qz::demo {

namespace {
const char* const kEligibleModel = "VORTANIX QRX-480T9A";
}

std::vector<DemoMachine> BuiltInMachines() {
  using sim::Windows;
  return {
      {"win7x64", "Windows 7 SP1 x64", Windows::Win7X64, DiskLayout::AhciWithUsb, true, {}},
      {"xp86", "Windows XP Professional x86", Windows::XpPro, DiskLayout::AhciWithUsb, true, {}},
      {"vista86", "Windows Vista x86", Windows::VistaX86, DiskLayout::AhciWithUsb, true, {}},
      {"2003x64", "Windows Server 2003 x64", Windows::Server2003X64, DiskLayout::AhciWithUsb, true, {}},
      {"ide", "Windows XP x86, legacy IDE controller", Windows::XpPro, DiskLayout::LegacyIde, false, {}},
  };
}

const std::vector<std::pair<std::string, sim::Windows>>& ReleaseNames() {
  using sim::Windows;
  static const std::vector<std::pair<std::string, Windows>> names = {
      {"xp", Windows::XpPro},           {"xp-home", Windows::XpHome},
      {"xp-x64", Windows::XpProX64},    {"2003", Windows::Server2003},
      {"2003-r2", Windows::Server2003R2}, {"2003-x64", Windows::Server2003X64},
      {"vista-x86", Windows::VistaX86}, {"vista-x64", Windows::VistaX64},
      {"2008-x86", Windows::Server2008X86}, {"2008-x64", Windows::Server2008X64},
      {"2008-r2", Windows::Server2008R2}, {"win7-x86", Windows::Win7X86},
      {"win7-x64", Windows::Win7X64},
  };
  return names;
}

std::size_t DriveSlots(DiskLayout) { return 2; }  // both layouts have two ATA disks

std::vector<AttachedDrive> BuildDemoMachine(sim::Machine& machine, const DemoMachine& spec) {
  machine.files.Put(machine.windowsDirectory + "\\bootstat.dat", std::vector<std::uint8_t>(2048, 0));
  if (!machine.registry.GetMultiString(hkey::kLocalMachine, kSessionManagerKey, "BootExecute")) {
    machine.registry.SetMultiString(hkey::kLocalMachine, kSessionManagerKey, "BootExecute",
                                    {"autocheck autochk *"});
  }
  if (spec.layout == DiskLayout::LegacyIde) {
    sim::BuildLegacyIdeMachine(machine);
  } else {
    sim::BuildIntelAhciDesktop(machine);
    if (spec.usbDisk) sim::AddUsbDisk(machine, 2, 'F');
  }
  std::vector<AttachedDrive> drives;
  std::size_t ata = 0;
  for (auto& disk : machine.deviceTree.disks) {
    if (disk.interfaceType == "USB") {
      drives.push_back({nullptr, true, {}});
      continue;
    }
    auto identity = sim::AtaDrive::Identity{disk.description.model, disk.description.serial,
                                            disk.description.firmware, disk.description.firmware};
    // On the IDE layout the primary master is made the eligible drive.
    if (spec.layout == DiskLayout::LegacyIde && disk.device->deviceNumber == 0) {
      identity = {kEligibleModel, disk.description.serial, "VRD5", "VRD5"};
    }
    if (identity.model == kEligibleModel) identity.extension = identity.revision + "-2";
    if (ata < spec.drives.size()) {
      const DemoDrive& own = spec.drives[ata];
      if (!own.model.empty()) identity.model = own.model;
      if (!own.serial.empty()) identity.serial = own.serial;
      if (!own.revision.empty()) identity.revision = identity.extension = own.revision;
      if (!own.extension.empty()) identity.extension = own.extension;
    }
    ++ata;
    disk.description.model = identity.model;
    disk.description.firmware = identity.revision;
    auto drive = std::make_shared<sim::AtaDrive>(identity);
    sim::AttachDrive(machine, disk, std::make_shared<sim::AtaDriveLink>(drive), sim::PortDriver::StandardSata());
    if (machine.physicalDrives.size() <= disk.device->deviceNumber) {
      machine.physicalDrives.resize(disk.device->deviceNumber + 1);
    }
    machine.physicalDrives[disk.device->deviceNumber] = drive;
    drives.push_back({drive, false, identity});
  }
  return drives;
}

}  // namespace qz::demo
