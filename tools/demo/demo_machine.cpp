#include "tools/demo/demo_machine.hpp"

#include "platform/registry_api.hpp"
#include "sim/devices/ata_drive_link.hpp"
#include "sim/devices/drive_attach.hpp"
#include "staging/boot_execute.hpp"

namespace qz::demo {

namespace {

const char* const kEligibleModel = "VORTANIX QRX-480T9A";

DemoDisk Sata(std::size_t controller, unsigned position, std::string model, std::string serial,
              std::string revision, std::string extension = "") {
  DemoDisk d;
  d.controller = controller;
  d.position = position;
  d.model = std::move(model);
  d.serial = std::move(serial);
  d.revision = std::move(revision);
  d.extension = extension.empty() ? d.revision : std::move(extension);
  return d;
}

DemoDisk Usb() {
  DemoDisk d;
  d.usb = true;
  d.model = "SANDISK CRUZER BLADE";
  d.serial = "4C530001234567";
  d.revision = d.extension = "1.26";
  return d;
}

// Windows 7 x64 with eight disks: a USB stick among them, the package's drive the last, on a
// second AHCI controller.
DemoMachine EightDisks() {
  DemoMachine m{"eight", "Windows 7 SP1 x64, eight disks, the package's drive the last", sim::Windows::Win7X64,
                -1, false, {{sim::SataKind::IntelAhci, "", ""}, {sim::SataKind::IntelAhci, "", ""}}, {}};
  m.disks = {Sata(0, 0, "HALDEN HD2T-7200", "HD9Z0044B", "HN02"),
             Sata(0, 1, "HALDEN HD2T-7200", "HD9Z0051C", "HN02"),
             Sata(0, 2, "KESTREL KS1000-SATA", "KS7710020", "K1.4"),
             Usb(),
             Sata(0, 3, "VORTANIX QRX-240S3", "QX0002B1100017", "VRC2"),
             Sata(0, 4, "HALDEN HD500-5400", "HD500AA01", "HN01"),
             Sata(0, 5, "KESTREL KS1000-SATA", "KS7710021", "K1.4"),
             Sata(1, 0, kEligibleModel, "QX0001A7700999", "VRD5", "VRD5-2")};
  return m;
}

// Windows 8 and later on the in-box AHCI driver, with fast startup on as Windows ships it.
DemoMachine InboxAhci(std::string name, std::string title, sim::Windows release) {
  DemoMachine m = AhciDesktop(std::move(name), std::move(title), release, true);
  m.controllers[0].driver = "storahci";
  m.fastStartup = true;
  return m;
}

// Windows 10 with the package's drive behind an RST driver that refuses pass-through.
DemoMachine RstDesktop() {
  DemoMachine m = AhciDesktop("win10-rst", "Windows 10 x64, the package's drive behind RST (iaStorAC, no pass-through)",
                              sim::Windows::Win10X64, true);
  m.controllers[0].driver = "iaStorAC";
  m.controllers[0].passThrough = false;
  m.fastStartup = true;
  return m;
}

}  // namespace

bool IsWindows8OrLater(sim::Windows release) {
  using sim::Windows;
  switch (release) {
    case Windows::Win8X86:
    case Windows::Win8X64:
    case Windows::Win81X86:
    case Windows::Win81X64:
    case Windows::Win10X86:
    case Windows::Win10X64:
    case Windows::Win11X64: return true;
    default: return false;
  }
}

DemoMachine AhciDesktop(std::string name, std::string title, sim::Windows release, bool usbDisk) {
  DemoMachine m{std::move(name), std::move(title), release, -1, false, {{sim::SataKind::IntelAhci, "", ""}}, {}};
  m.disks = {Sata(0, 0, kEligibleModel, "QX0001A7700312", "VRD5", "VRD5-2"),
             Sata(0, 2, "HALDEN HD2T-7200", "HD9Z0044B", "HN02")};
  if (usbDisk) m.disks.push_back(Usb());
  return m;
}

DemoMachine LegacyIdeMachine(std::string name, std::string title, sim::Windows release) {
  DemoMachine m{std::move(name), std::move(title), release, -1, false, {{sim::SataKind::IntelIde, "", ""}}, {}};
  m.disks = {Sata(0, 0, kEligibleModel, "QX0002B1100017", "VRD5", "VRD5-2"),
             Sata(0, 2, "HALDEN HD500-5400", "HD500AA01", "HN01")};
  return m;
}

std::vector<DemoMachine> BuiltInMachines() {
  using sim::Windows;
  DemoMachine xpSp1 = AhciDesktop("xp86-sp1", "Windows XP Professional x86 SP1", Windows::XpPro, true);
  xpSp1.servicePack = 1;
  return {
      AhciDesktop("win7x64", "Windows 7 SP1 x64", Windows::Win7X64, true),
      AhciDesktop("xp86", "Windows XP Professional x86 SP3", Windows::XpPro, true),
      xpSp1,
      AhciDesktop("xp64", "Windows XP Professional x64 SP2", Windows::XpProX64, true),
      AhciDesktop("vista86", "Windows Vista x86", Windows::VistaX86, true),
      AhciDesktop("2003x64", "Windows Server 2003 x64", Windows::Server2003X64, true),
      LegacyIdeMachine("ide", "Windows XP x86, legacy IDE controller", Windows::XpPro),
      EightDisks(),
      InboxAhci("win8x64", "Windows 8 x64, in-box AHCI driver, fast startup on", Windows::Win8X64),
      InboxAhci("win81x86", "Windows 8.1 x86, in-box AHCI driver, fast startup on", Windows::Win81X86),
      InboxAhci("win10x64", "Windows 10 x64, in-box AHCI driver, fast startup on", Windows::Win10X64),
      InboxAhci("win11x64", "Windows 11 x64, in-box AHCI driver, fast startup on", Windows::Win11X64),
      RstDesktop(),
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
      {"win7-x64", Windows::Win7X64},   {"win8-x86", Windows::Win8X86},
      {"win8-x64", Windows::Win8X64},   {"win81-x86", Windows::Win81X86},
      {"win81-x64", Windows::Win81X64}, {"win10-x86", Windows::Win10X86},
      {"win10-x64", Windows::Win10X64}, {"win11-x64", Windows::Win11X64},
  };
  return names;
}

std::string ReleaseName(sim::Windows release) {
  for (const auto& [name, r] : ReleaseNames()) {
    if (r == release) return name;
  }
  return "?";
}

const char* ControllerKindName(sim::SataKind kind) {
  switch (kind) {
    case sim::SataKind::IntelAhci: return "ahci";
    case sim::SataKind::IntelIde: return "ide";
    case sim::SataKind::Sil3124: return "sil3124";
  }
  return "?";
}

std::string DefaultDriver(sim::SataKind kind) {
  switch (kind) {
    case sim::SataKind::IntelAhci: return "iaStor";
    case sim::SataKind::IntelIde: return "intelide";
    case sim::SataKind::Sil3124: return "SI3124r5";
  }
  return "";
}

unsigned ControllerPositions(sim::SataKind kind) {
  return kind == sim::SataKind::IntelAhci ? 6 : 4;
}

namespace {

// Boot files, the default BootExecute, fast startup, the service pack and the power line.
void SetUpWindows(sim::Machine& machine, const DemoMachine& spec) {
  machine.files.Put(machine.windowsDirectory + "\\bootstat.dat", std::vector<std::uint8_t>(2048, 0));
  if (!machine.registry.GetMultiString(hkey::kLocalMachine, kSessionManagerKey, "BootExecute")) {
    machine.registry.SetMultiString(hkey::kLocalMachine, kSessionManagerKey, "BootExecute",
                                    {IsWindows8OrLater(spec.release) ? "autocheck autochk /q /v *" : "autocheck autochk *"});
  }
  if (IsWindows8OrLater(spec.release)) {
    machine.registry.SetDword(hkey::kLocalMachine, std::string(kSessionManagerKey) + "\\Power", "HiberbootEnabled",
                              spec.fastStartup ? 1 : 0);
  }
  if (spec.servicePack >= 0) {
    machine.version.servicePackMajor = static_cast<std::uint16_t>(spec.servicePack);
    machine.version.servicePackMinor = 0;
    machine.version.csdVersion = spec.servicePack == 0 ? "" : "Service Pack " + std::to_string(spec.servicePack);
  }
  if (spec.lowBattery) machine.power = {0, 2, 9};
}

// The controllers in the order the machine lists them; each takes the ports after the one
// before. `port` ends at the first port no controller took.
std::vector<sim::SataController> AddControllers(sim::Machine& machine, int bus, const DemoMachine& spec,
                                                std::uint8_t& port) {
  std::vector<sim::SataController> controllers;
  for (std::size_t i = 0; i < spec.controllers.size(); ++i) {
    sim::SataController c;
    c.kind = spec.controllers[i].kind;
    c.service = spec.controllers[i].driver.empty() ? DefaultDriver(c.kind) : spec.controllers[i].driver;
    int sameKind = 0;
    for (std::size_t j = 0; j < i; ++j) sameKind += spec.controllers[j].kind == c.kind ? 1 : 0;
    c.index = sameKind;
    c.firstPort = port;
    port = static_cast<std::uint8_t>(port + (c.kind == sim::SataKind::IntelIde ? 2 : 1));
    sim::AddSataController(machine, bus, c);
    controllers.push_back(c);
  }
  return controllers;
}

// The controller's port driver; a SiI driver names its version, by default 2.2.
sim::PortDriver PortDriverOf(const sim::SataController& c, const DemoController& own, std::string& version) {
  version = own.version;
  if (c.kind == sim::SataKind::Sil3124 && version.empty()) version = "2.2";
  if (!own.passThrough) return sim::PortDriver::ScsiAdapter();
  if (c.kind != sim::SataKind::Sil3124) return sim::PortDriver::StandardSata();
  const auto dot = version.find('.');
  return sim::PortDriver::SiliconImage(static_cast<std::uint16_t>(std::stoi(version.substr(0, dot))),
                                       static_cast<std::uint16_t>(std::stoi(version.substr(dot + 1))));
}

// The controller, its driver and the disk's place on it, for the transcript.
std::string WhereOnController(const sim::SataController& c, const DemoController& own, const std::string& version,
                              int position) {
  std::string where = std::string(ControllerKindName(c.kind)) + " " + std::to_string(c.index) + " (" + c.service +
                      (version.empty() ? "" : " " + version) + (own.passThrough ? "" : ", no pass-through") + "), ";
  if (c.kind == sim::SataKind::IntelIde) {
    return where + (position / 2 == 0 ? "primary " : "secondary ") + (position % 2 == 0 ? "master" : "slave");
  }
  return where + "port " + std::to_string(position);
}

// A SATA disk with a simulated drive behind its controller's port driver, also reachable by the
// boot-time flasher as \??\PhysicalDrive<n>.
AttachedDrive AttachSataDisk(sim::Machine& machine, const DemoMachine& spec, const sim::SataController& c,
                             const DemoDisk& d, std::uint32_t number, const sim::DiskDescription& description) {
  const DemoController& own = spec.controllers[d.controller];
  sim::SimDisk& disk = sim::AddSataDisk(machine, c, d.position, number, description);
  const sim::AtaDrive::Identity identity{d.model, description.serial, d.revision,
                                         d.extension.empty() ? d.revision : d.extension};
  auto drive = std::make_shared<sim::AtaDrive>(identity);
  if (d.identify == IdentifyAnswer::Never) drive->staysBusy = true;
  if (d.identify == IdentifyAnswer::Slowly) {
    for (unsigned k = 1; k <= d.identifyTimeouts; ++k) drive->InjectFault(sim::AtaFault::Timeout, 0xEC, -1, k);
  }
  std::string version;
  const sim::PortDriver driver = PortDriverOf(c, own, version);
  AttachedDrive attached;
  attached.deviceNumber = number;
  attached.port = sim::AttachDrive(machine, disk, std::make_shared<sim::AtaDriveLink>(drive), driver);
  if (machine.physicalDrives.size() <= number) machine.physicalDrives.resize(number + 1);
  machine.physicalDrives[number] = drive;
  attached.drive = drive;
  attached.before = identity;
  attached.where = WhereOnController(c, own, version, d.position);
  return attached;
}

}  // namespace

std::vector<AttachedDrive> BuildDemoMachine(sim::Machine& machine, const DemoMachine& spec) {
  SetUpWindows(machine, spec);
  const int bus = sim::InstallDiscoveryBasics(machine);
  std::uint8_t port = 0;
  const std::vector<sim::SataController> controllers = AddControllers(machine, bus, spec, port);
  int hub = -1;
  unsigned usbCount = 0;
  std::vector<AttachedDrive> drives;
  for (std::size_t i = 0; i < spec.disks.size(); ++i) {
    const DemoDisk& d = spec.disks[i];
    sim::DiskDescription description;
    description.model = d.model;
    description.serial = d.serial.empty() ? "SN" + std::to_string(100000 + i) : d.serial;
    description.firmware = d.revision;
    description.letters = {static_cast<char>('C' + i)};
    description.signature = 0x5A17C000u + static_cast<std::uint32_t>(i);
    const auto number = static_cast<std::uint32_t>(i);
    if (!d.usb) {
      drives.push_back(AttachSataDisk(machine, spec, controllers.at(d.controller), d, number, description));
      continue;
    }
    if (hub < 0) hub = sim::AddUsbHost(machine, bus);
    sim::AddUsbDiskAt(machine, hub, usbCount++, port++, number, description);
    AttachedDrive attached;
    attached.deviceNumber = number;
    attached.usb = true;
    attached.where = "USB";
    attached.before = {d.model, description.serial, d.revision, d.extension};
    drives.push_back(attached);
  }
  return drives;
}

}  // namespace qz::demo
