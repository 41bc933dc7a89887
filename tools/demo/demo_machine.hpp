#pragma once
// The demo's machines: a Windows release with its service pack, the controllers with their
// drivers, and up to 16 disks in device-number order, each a simulated drive behind its
// controller's port driver or a USB disk; and the drive-facing interfaces of the updater's
// process on it.
#include <memory>
#include <string>
#include <vector>

#include "sim/devices/ata_drive.hpp"
#include "sim/catalogue/disk_machines.hpp"
#include "sim/os/drive_apis.hpp"
#include "sim/machine/machine.hpp"
#include "sim/devices/pass_through_disk.hpp"

namespace qz::demo {

inline constexpr std::size_t kMaxDisks = 16;
inline constexpr std::size_t kMaxControllers = 6;

struct DemoController {
  sim::SataKind kind = sim::SataKind::IntelAhci;
  std::string driver;   // the driver's service name; empty: the one the controller comes with
  std::string version;  // "major.minor"; the SiI3124 miniport's picks the transport
  // False: the driver refuses every pass-through request (an RST or RAID driver, say), so no
  // drive behind it can be identified or updated.
  bool passThrough = true;
};

// How a drive answers IDENTIFY DEVICE.
enum class IdentifyAnswer {
  Answers,
  Slowly,  // its first `identifyTimeouts` IDENTIFY commands time out (still spinning up)
  Never,   // every command times out
};

struct DemoDisk {
  bool usb = false;
  std::size_t controller = 0;  // index into the machine's controllers (SATA disks)
  unsigned position = 0;       // port (AHCI, SiI3124) or channel * 2 + device (IDE)
  std::string model, serial, revision, extension;
  IdentifyAnswer identify = IdentifyAnswer::Answers;
  unsigned identifyTimeouts = 3;
};

struct DemoMachine {
  std::string name;
  std::string title;
  sim::Windows release = sim::Windows::Win7X64;
  int servicePack = -1;  // -1: the release's own
  bool lowBattery = false;  // on battery, and the battery is low
  std::vector<DemoController> controllers;
  std::vector<DemoDisk> disks;  // in device-number order
  bool fastStartup = false;     // Windows 8 and later: "HiberbootEnabled" is 1
};

// Windows 8 and later: fast startup exists there, and BootExecute ships with "/q /v".
bool IsWindows8OrLater(sim::Windows release);

// The built-in machines, the default first.
std::vector<DemoMachine> BuiltInMachines();

// The Windows releases a machine file may name.
const std::vector<std::pair<std::string, sim::Windows>>& ReleaseNames();
std::string ReleaseName(sim::Windows release);
const char* ControllerKindName(sim::SataKind kind);
// The usual driver of a controller kind, and the driver versions at which the SiI3124 miniport
// offers its ATA interface.
std::string DefaultDriver(sim::SataKind kind);
// Ports a controller kind has for disks.
unsigned ControllerPositions(sim::SataKind kind);

// The two sample layouts of earlier machine files: an AHCI desktop (the package's drive,
// another model, optionally a USB disk) and a legacy IDE controller (primary and secondary
// master).
DemoMachine AhciDesktop(std::string name, std::string title, sim::Windows release, bool usbDisk);
DemoMachine LegacyIdeMachine(std::string name, std::string title, sim::Windows release);

struct AttachedDrive {
  std::shared_ptr<sim::AtaDrive> drive;        // null for a USB disk
  std::shared_ptr<sim::PassThroughDisk> port;  // the storage stack in front of it
  bool usb = false;
  std::uint32_t deviceNumber = 0;
  std::string where;  // controller, driver and port, for the transcript
  sim::AtaDrive::Identity before;  // what the drive reported when the machine was built
};

// Boot files and the default BootExecute, the Windows release and service pack, then the
// controllers and disks; each SATA disk gets a simulated drive behind its controller's port
// driver, also reachable by the boot-time flasher as \??\PhysicalDrive<n>.
std::vector<AttachedDrive> BuildDemoMachine(sim::Machine& machine, const DemoMachine& spec);

using sim::DriveApis;

}  // namespace qz::demo
