#pragma once
// One 32-bit updater process on a simulated machine with everything the command device and
// the drive manager talk to, and a scripted drive behind every disk of the device tree.
#include <memory>
#include <string>
#include <vector>

#include "discovery/device_enumerator.hpp"
#include "sim/catalogue/disk_machines.hpp"
#include "sim/devices/drive_attach.hpp"
#include "sim/machine/machine.hpp"
#include "sim/os/sim_fs_redirection.hpp"
#include "sim/os/sim_physical_access.hpp"
#include "sim/os/sim_port_io.hpp"
#include "sim/os/sim_setup_api.hpp"
#include "sim/os/sim_win32.hpp"
#include "sim/os/sim_wmi.hpp"
#include "sim/devices/stub_image.hpp"
#include "tests/transport/scripted_drive.hpp"
#include "tests/transport/named_results.hpp"
#include "transport/ata_command_device.hpp"

namespace qz::test {

struct CommandRig {
  explicit CommandRig(sim::Windows release = sim::Windows::Win7X86)
      : machine(release), api(machine, sim::Bitness::X86), setup(api), wmi(api), fs(api),
        portIo(api), physical(api) {}

  CommandDeviceSystem System() {
    return {api,      setup, wmi, fs, portIo, physical, machine.userBuffers,
            {portDll, portX86, portX64}, {tesselDll, tesselX86, tesselX64}};
  }

  // The machine's disks as discovery lists them now; the list lives as long as the rig.
  DiskList Disks() {
    enumerators.push_back(std::make_unique<DeviceEnumerator>(api, setup, wmi));
    enumerators.back()->Enumerate();
    return enumerators.back()->ListedDisks();
  }

  // A scripted drive behind every disk of the tree that has none yet, answering with the
  // disk's own model and revision.
  void AttachDrives(sim::PortDriver driver = sim::PortDriver::StandardSata()) {
    for (std::size_t i = ports.size(); i < machine.deviceTree.disks.size(); ++i) {
      auto& disk = machine.deviceTree.disks[i];
      auto drive =
          std::make_shared<ScriptedDrive>(disk.description.model, disk.description.firmware);
      drives.push_back(drive);
      ports.push_back(sim::AttachDrive(machine, disk, drive, driver));
    }
  }

  // A SATA disk on a controller of the tree, with the SCSI address given.
  sim::SimDisk& AddSataDisk(int controller, const std::string& model, const std::string& revision,
                            std::uint8_t port, std::uint8_t path, std::uint8_t target = 0) {
    sim::DiskSpec d;
    d.parent = controller;
    d.description.model = model;
    d.description.firmware = revision;
    d.description.serial = "SN" + std::to_string(serial_);
    d.description.signature = 0x1000u + serial_;
    d.description.letters = {};
    d.instanceId = "SCSI\\DISK&VEN_TEST&PROD_DISK\\5&1&0&" + std::to_string(serial_++);
    d.hardwareIds = {"SCSI\\DiskTEST", "GenDisk"};
    d.friendlyName = model + " SCSI Disk Device";
    d.location = std::to_string(path);
    d.port = port;
    d.path = path;
    d.target = target;
    d.deviceNumber = static_cast<std::uint32_t>(machine.deviceTree.disks.size());
    d.busType = 11;
    return sim::AddDisk(machine, d);
  }

  // A plain SATA controller (no direct register resources) under the PCI bus.
  int AddController(const std::string& id = "PCI\\VEN_1B4B&DEV_9123&SUBSYS_91231B4B&REV_11\\4&1&0&00E5",
                    const std::string& service = "storahci") {
    const int bus = sim::InstallDiscoveryBasics(machine);
    sim::PciFunction pci{id, "Standard SATA AHCI Controller", service, 5, 0, -1};
    return sim::AddPciController(machine, bus, guids::kScsiAdapterClass, pci);
  }

  sim::Machine machine;
  sim::SimWin32 api;
  sim::SimSetupApi setup;
  sim::SimWmi wmi;
  sim::SimFsRedirection fs;
  sim::SimPortIo portIo;
  sim::SimPhysicalAccess physical;
  std::vector<std::uint8_t> tesselDll = sim::StubImage(sim::kImageX86, 5000, 0x11);
  std::vector<std::uint8_t> tesselX86 = sim::StubImage(sim::kImageX86, 3000, 0x22);
  std::vector<std::uint8_t> tesselX64 = sim::StubImage(sim::kImageX64, 3500, 0x33);
  std::vector<std::uint8_t> portDll = sim::StubImage(sim::kImageX86, 6000, 0x44);
  std::vector<std::uint8_t> portX86 = sim::StubImage(sim::kImageX86, 2000, 0x55);
  std::vector<std::uint8_t> portX64 = sim::StubImage(sim::kImageX64, 2500, 0x66);
  std::vector<std::shared_ptr<ScriptedDrive>> drives;
  std::vector<std::shared_ptr<sim::PassThroughDisk>> ports;
  std::vector<std::unique_ptr<DeviceEnumerator>> enumerators;

 private:
  unsigned serial_ = 1;
};

}  // namespace qz::test
