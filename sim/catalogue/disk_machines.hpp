#pragma once
// Ready-made machines for discovery: controllers, disks and what WMI says about them.
#include <cstdint>
#include <string>
#include <vector>

#include "sim/machine/machine.hpp"

namespace qz::sim {

// The two libraries in the system directory (and SysWOW64) with their functions, the PCI
// bus under the root and the running "Winmgmt" service. Returns the PCI bus node.
int InstallDiscoveryBasics(Machine& m);

struct PciFunction {
  std::string instanceId;  // "PCI\VEN_8086&DEV_3A22&SUBSYS_...\3&..."
  std::string description;
  std::string service;
  int device = 0, function = 0;
  int uiNumber = -1;  // -1: none
};
int AddPciController(Machine& m, int bus, const Guid& setupClass, const PciFunction& pci);

struct DiskSpec {
  int parent = -1;
  std::string instanceId;
  std::vector<std::string> hardwareIds;
  std::string friendlyName;
  std::string location = "0";
  std::uint32_t address = 0;  // SPDRP_ADDRESS of the disk node itself
  bool hasScsiAddress = true;
  std::uint8_t port = 0, path = 0, target = 0, lun = 0;
  std::uint32_t deviceNumber = 0;
  std::uint32_t busType = 11;
  std::string interfaceType = "IDE";
  DiskDescription description;
};
SimDisk& AddDisk(Machine& m, const DiskSpec& spec);

// An Intel AHCI desktop (ICH10R with its RAID/AHCI driver): disks 0 (C:, D:) and 1 (E:) on
// SATA ports 0 and 2, enumerated by the SCSI port driver.
void BuildIntelAhciDesktop(Machine& m);
// A legacy PCI IDE controller with a primary and a secondary channel, one disk on each
// (C: primary master, D: secondary master). The channels report no resources; in native
// mode the controller reports the command and control blocks of both channels.
void BuildLegacyIdeMachine(Machine& m, bool nativeMode = false);
// A Silicon Image 3124 card beside the Intel desktop's disks, with disks on its ports 1 and 3.
void BuildSil3124Machine(Machine& m);
// Adds a USB disk behind an EHCI controller.
void AddUsbDisk(Machine& m, std::uint32_t deviceNumber, char letter);
// WMI lists one more disk than the Setup API will ever find.
void AddWmiOnlyDisk(Machine& m, std::uint32_t index);

// Machines put together from parts: SATA controllers of three kinds, each with its disks, and
// USB disks behind one EHCI controller. `index` tells apart parts of the same kind; a disk's
// `position` is its SATA port (AHCI, SiI3124: 0-3) or channel * 2 + device (IDE: 0-3).
enum class SataKind {
  IntelAhci,  // ICH10R in AHCI mode, one SCSI port for all its SATA ports
  IntelIde,   // ICH7 in IDE mode, a primary and a secondary channel, each its own port
  Sil3124,    // Silicon Image 3124 card under its SCSI miniport driver
};
struct SataController {
  SataKind kind = SataKind::IntelAhci;
  std::string service;       // the driver's service name
  int index = 0;
  int node = -1;             // set by AddSataController
  std::uint8_t firstPort = 0;  // its SCSI port number (IDE: the primary channel's)
};
// Adds the controller under the PCI bus; returns its node (also in `c.node`).
int AddSataController(Machine& m, int bus, SataController& c);
SimDisk& AddSataDisk(Machine& m, const SataController& c, unsigned position, std::uint32_t deviceNumber,
                     const DiskDescription& d);
// The EHCI controller and its root hub; returns the hub's node.
int AddUsbHost(Machine& m, int bus);
SimDisk& AddUsbDiskAt(Machine& m, int hub, unsigned index, std::uint8_t port, std::uint32_t deviceNumber,
                      const DiskDescription& d);

}  // namespace qz::sim
