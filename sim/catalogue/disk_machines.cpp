#include "sim/catalogue/disk_machines.hpp"

#include "platform/setup_api.hpp"
#include "sim/machine/path.hpp"

namespace qz::sim {
namespace {

const std::set<std::string> kSetupApiExports = {
    "SetupDiGetClassDevsA", "SetupDiEnumDeviceInfo", "SetupDiEnumDeviceInterfaces",
    "SetupDiGetDeviceInterfaceDetailA", "SetupDiDestroyDeviceInfoList",
    "SetupDiGetDeviceRegistryPropertyA", "SetupDiGetClassImageIndex", "SetupDiCallClassInstaller",
    "SetupDiSetClassInstallParamsA", "SetupDiOpenClassRegKey", "SetupDiGetClassImageList",
    "SetupDiDestroyClassImageList", "SetupDiGetDeviceInstanceIdA", "SetupDiGetClassDevsW"};
const std::set<std::string> kCfgMgrExports = {
    "CM_Get_Device_IDA", "CM_Get_Child", "CM_Get_DevNode_Registry_PropertyA", "CM_Get_Sibling",
    "CM_Get_Parent", "CM_Get_DevNode_Status", "CM_Locate_DevNodeA", "CM_Reenumerate_DevNode",
    "CM_Get_First_Log_Conf", "CM_Get_Next_Log_Conf", "CM_Get_Next_Res_Des", "CM_Get_Res_Des_Data",
    "CM_Free_Res_Des_Handle", "CM_Free_Log_Conf_Handle", "CM_Get_Device_IDW"};

void PutLibrary(Machine& m, const std::string& dir, const char* name) {
  m.files.Put(JoinPath(dir, name), {'M', 'Z'});
}

std::string Padded(const std::string& text, std::size_t width) {
  std::string out = text;
  for (char& c : out) c = c == ' ' ? '_' : c;
  out.resize(std::max(width, out.size()), '_');
  return out;
}

// Hardware ids of an ATA disk as the IDE enumerator forms them.
std::vector<std::string> IdeHardwareIds(const DiskDescription& d) {
  const std::string model = Padded(d.model, 40), rev = Padded(d.firmware, 8);
  return {"IDE\\Disk" + model + rev, "IDE\\" + model + rev, "IDE\\Disk" + model, model + rev,
          "GenDisk"};
}

std::vector<std::string> ScsiHardwareIds(const DiskDescription& d) {
  const std::string vendor = d.model.substr(0, d.model.find(' '));
  const std::string product = d.model.substr(d.model.find(' ') + 1);
  return {"SCSI\\Disk" + Padded(vendor, 8) + Padded(product, 16) + d.firmware,
          "SCSI\\Disk" + Padded(vendor, 8) + Padded(product, 16), "SCSI\\Disk" + Padded(vendor, 8),
          "SCSI\\" + Padded(vendor, 8) + Padded(product, 16) + d.firmware.substr(0, 1), "GenDisk"};
}

DiskDescription Description(const std::string& model, const std::string& serial,
                            const std::string& firmware, std::vector<char> letters,
                            std::uint32_t signature) {
  DiskDescription d;
  d.model = model;
  d.serial = serial;
  d.firmware = firmware;
  d.letters = std::move(letters);
  d.signature = signature;
  return d;
}

int IntelAhciController(Machine& m, int bus) {
  PciFunction pci{"PCI\\VEN_8086&DEV_3A22&SUBSYS_50011458&REV_00\\3&11583659&0&FA",
                  "Intel(R) ICH10R SATA AHCI Controller", "iaStor", 31, 2, -1};
  const int c = AddPciController(m, bus, guids::kScsiAdapterClass, pci);
  auto& t = m.deviceTree;
  t.AddIo(c, 0xF090, 8);
  t.AddIo(c, 0xF080, 4);
  t.AddIo(c, 0xF070, 8);
  t.AddIo(c, 0xF060, 4);
  t.AddIo(c, 0xF020, 32);
  t.AddIrq(c, 19);
  t.AddMemory(c, 0xF7E24000, 0x800);
  return c;
}

void IntelDisks(Machine& m, int controller, std::uint32_t firstNumber) {
  DiskSpec a;
  a.parent = controller;
  a.description = Description("VORTANIX QRX-480T9A", "QX0001A7700312", "VRD5", {'C', 'D'}, 0x5A17C0DE);
  a.instanceId = "SCSI\\DISK&VEN_VORTANIX&PROD_QRX-480T9A\\4&2E5A6B1&0&000000";
  a.hardwareIds = ScsiHardwareIds(a.description);
  a.friendlyName = "VORTANIX QRX-480T9A SCSI Disk Device";
  a.location = "0";
  a.port = 2;
  a.path = 0;
  a.deviceNumber = firstNumber;
  a.interfaceType = "IDE";
  AddDisk(m, a);

  DiskSpec b = a;
  b.description = Description("HALDEN HD2T-7200", "HD9Z0044B", "HN02", {'E'}, 0x0BADF00D);
  b.instanceId = "SCSI\\DISK&VEN_HALDEN&PROD_HD2T-7200\\4&2E5A6B1&0&020000";
  b.hardwareIds = ScsiHardwareIds(b.description);
  b.friendlyName = "HALDEN HD2T-7200 SCSI Disk Device";
  b.location = "2";
  b.path = 2;
  b.deviceNumber = firstNumber + 1;
  AddDisk(m, b);
}

}  // namespace

int InstallDiscoveryBasics(Machine& m) {
  PutLibrary(m, m.SystemDirectory(), "setupapi.dll");
  PutLibrary(m, m.SystemDirectory(), "cfgmgr32.dll");
  if (m.Is64Bit()) {
    PutLibrary(m, m.Wow64Directory(), "setupapi.dll");
    PutLibrary(m, m.Wow64Directory(), "cfgmgr32.dll");
  }
  m.exports["setupapi"] = kSetupApiExports;
  m.exports["cfgmgr32"] = kCfgMgrExports;
  if (!m.services.Find("Winmgmt")) AddWmiService(m);

  auto& t = m.deviceTree;
  const int existing = t.Find("ACPI\\PNP0A03\\0");
  if (existing >= 0) return existing;
  const int hal = t.Add("ROOT\\ACPI_HAL\\0000", DeviceTree::kRoot, guids::kSystemClass);
  t.SetText(hal, spdrp::kDeviceDesc, "ACPI x64-based PC");
  const int acpi = t.Add("ACPI_HAL\\PNP0C08\\0", hal, guids::kSystemClass);
  t.SetText(acpi, spdrp::kDeviceDesc, "Microsoft ACPI-Compliant System");
  const int bus = t.Add("ACPI\\PNP0A03\\0", acpi, guids::kSystemClass);
  t.SetText(bus, spdrp::kDeviceDesc, "PCI bus");
  t.SetText(bus, spdrp::kService, "pci");
  t.SetNumber(bus, spdrp::kBusNumber, 0);
  return bus;
}

int AddPciController(Machine& m, int bus, const Guid& setupClass, const PciFunction& pci) {
  auto& t = m.deviceTree;
  const int c = t.Add(pci.instanceId, bus, setupClass);
  const std::string id = pci.instanceId.substr(0, pci.instanceId.rfind('\\'));
  const std::string short_id = id.substr(0, id.find("&SUBSYS"));
  t.SetText(c, spdrp::kDeviceDesc, pci.description);
  t.SetMultiText(c, spdrp::kHardwareId, {id, short_id});
  t.SetMultiText(c, spdrp::kCompatibleIds, {short_id + "&CC_0106"});
  t.SetText(c, spdrp::kService, pci.service);
  t.SetText(c, spdrp::kMfg, "(Standard controllers)");
  t.SetText(c, spdrp::kLocationInformation, "PCI bus 0, device " + std::to_string(pci.device) +
                                                ", function " + std::to_string(pci.function));
  t.SetText(c, spdrp::kPhysicalDeviceObjectName, "\\Device\\NTPNP_PCI00" + std::to_string(10 + c));
  t.SetNumber(c, spdrp::kBusNumber, 0);
  t.SetNumber(c, spdrp::kAddress, static_cast<std::uint32_t>(pci.device << 16 | pci.function));
  if (pci.uiNumber >= 0) t.SetNumber(c, spdrp::kUiNumber, static_cast<std::uint32_t>(pci.uiNumber));
  return c;
}

SimDisk& AddDisk(Machine& m, const DiskSpec& spec) {
  auto& t = m.deviceTree;
  const int node = t.Add(spec.instanceId, spec.parent, guids::kDiskDriveClass);
  t.SetText(node, spdrp::kDeviceDesc, "Disk drive");
  t.SetText(node, spdrp::kFriendlyName, spec.friendlyName);
  t.SetMultiText(node, spdrp::kHardwareId, spec.hardwareIds);
  t.SetMultiText(node, spdrp::kCompatibleIds, {"GenDisk"});
  t.SetText(node, spdrp::kService, "disk");
  t.SetText(node, spdrp::kMfg, "(Standard disk drives)");
  t.SetText(node, spdrp::kLocationInformation, spec.location);
  t.SetText(node, spdrp::kPhysicalDeviceObjectName,
            "\\Device\\000000" + std::to_string(40 + node));
  t.SetNumber(node, spdrp::kAddress, spec.address);

  auto device = std::make_shared<StorageDisk>();
  device->hasScsiAddress = spec.hasScsiAddress;
  device->portNumber = spec.port;
  device->pathId = spec.path;
  device->targetId = spec.target;
  device->lun = spec.lun;
  device->deviceNumber = spec.deviceNumber;
  device->busType = spec.busType;
  device->removable = spec.busType == 7;
  device->product = spec.description.model;
  device->revision = spec.description.firmware;
  device->serial = spec.description.serial;
  const std::string path = DeviceTree::DiskInterfacePath(spec.instanceId);
  m.AddDevice(path, device);

  SimDisk disk;
  disk.description = spec.description;
  disk.node = node;
  disk.interface = t.AddInterface(node, guids::kDiskInterface, path);
  disk.device = device;
  disk.interfaceType = spec.interfaceType;
  t.disks.push_back(disk);
  return t.disks.back();
}

void BuildIntelAhciDesktop(Machine& m) {
  const int bus = InstallDiscoveryBasics(m);
  IntelDisks(m, IntelAhciController(m, bus), 0);
}

void BuildLegacyIdeMachine(Machine& m, bool nativeMode) {
  const int bus = InstallDiscoveryBasics(m);
  auto& t = m.deviceTree;
  PciFunction pci{"PCI\\VEN_8086&DEV_27C0&SUBSYS_81791043&REV_01\\3&11583659&0&FA",
                  "Intel(R) N10/ICH7 Family Serial ATA Storage Controller - 27C0", "intelide", 31,
                  2, 0};
  const int controller = AddPciController(m, bus, guids::kHdcClass, pci);
  if (nativeMode) {
    t.AddIo(controller, 0xD000, 8);
    t.AddIo(controller, 0xD400, 4);
    t.AddIo(controller, 0xD800, 8);
    t.AddIo(controller, 0xDC00, 4);
    t.AddIrq(controller, 18);
  }
  t.AddIo(controller, 0xFFA0, 16);  // bus master registers, no command block

  const char* names[] = {"Primary IDE Channel", "Secondary IDE Channel"};
  const DiskDescription disks[] = {
      Description("VORTANIX QRX-240S3", "QX0002B1100017", "VRC2", {'C'}, 0x11223344),
      Description("HALDEN HD500-5400", "HD500AA01", "HN01", {'D'}, 0x55667788)};
  for (std::uint32_t channel = 0; channel < 2; ++channel) {
    const int c = t.Add("PCIIDE\\IDECHANNEL\\4&1F2E3D4C&0&" + std::to_string(channel), controller,
                        guids::kHdcClass);
    t.SetText(c, spdrp::kDeviceDesc, names[channel]);
    t.SetText(c, spdrp::kFriendlyName, names[channel]);
    t.SetText(c, spdrp::kService, "atapi");
    t.SetMultiText(c, spdrp::kHardwareId, {"Internal_IDE_Channel"});
    t.SetText(c, spdrp::kLocationInformation, channel == 0 ? "Primary channel" : "Secondary channel");
    t.SetNumber(c, spdrp::kAddress, channel);

    DiskSpec d;
    d.parent = c;
    d.description = disks[channel];
    d.hardwareIds = IdeHardwareIds(d.description);
    d.instanceId = "IDE\\" + d.hardwareIds[0].substr(4) + "\\5&38E1C09D&0&0.0.0";
    d.friendlyName = d.description.model;
    d.location = "0";
    d.port = static_cast<std::uint8_t>(channel);  // one port driver per channel
    d.deviceNumber = channel;
    d.busType = 3;
    d.interfaceType = "IDE";
    AddDisk(m, d);
  }
}

void BuildSil3124Machine(Machine& m) {
  const int bus = InstallDiscoveryBasics(m);
  IntelDisks(m, IntelAhciController(m, bus), 0);
  auto& t = m.deviceTree;
  PciFunction pci{"PCI\\VEN_1095&DEV_3124&SUBSYS_71241095&REV_02\\4&3B1E2C1&0&20E4",
                  "Silicon Image SiI 3124 SATALink Controller", "SI3124r5", 4, 0, 2};
  const int card = AddPciController(m, bus, guids::kScsiAdapterClass, pci);
  t.AddMemory(card, 0xFEAFFC00, 0x80);   // global registers
  t.AddIrq(card, 18);
  t.AddMemory(card, 0xFEAF8000, 0x8000);  // port registers
  t.AddIo(card, 0xE800, 16);

  for (std::uint8_t port : {std::uint8_t{1}, std::uint8_t{3}}) {
    DiskSpec d;
    d.parent = card;
    d.description = port == 1
                        ? Description("VORTANIX QRX-120T9A", "QX0003C2200105", "VRD4", {'F'}, 0x31243124)
                        : Description("VORTANIX QRX-960T9A", "QX0004D3300999", "VRD5", {'G', 'H'}, 0x96096096);
    d.instanceId = "SCSI\\DISK&VEN_VORTANIX&PROD_" + d.description.model.substr(9) +
                   "\\5&1C2D3E4F&0&0" + std::to_string(port) + "0000";
    d.hardwareIds = ScsiHardwareIds(d.description);
    d.friendlyName = d.description.model + " SCSI Disk Device";
    d.location = "Bus Number " + std::to_string(port) + ", Target Id 0, LUN 0";
    d.port = 3;
    d.path = port;
    d.deviceNumber = port == 1 ? 2u : 3u;
    d.busType = 1;
    d.interfaceType = "SCSI";
    AddDisk(m, d);
  }
}

void AddUsbDisk(Machine& m, std::uint32_t deviceNumber, char letter) {
  auto& t = m.deviceTree;
  const int hub = AddUsbHost(m, InstallDiscoveryBasics(m));
  const int stick = t.Add("USB\\VID_0781&PID_5567\\4C530001234567", hub, guids::kUsbClass);
  t.SetText(stick, spdrp::kDeviceDesc, "USB Mass Storage Device");
  t.SetText(stick, spdrp::kService, "USBSTOR");
  t.SetNumber(stick, spdrp::kAddress, 3);

  DiskSpec d;
  d.parent = stick;
  d.description = Description("SANDISK CRUZER BLADE", "4C530001234567", "1.26", {letter}, 0x0E0E0E0E);
  d.instanceId = "USBSTOR\\DISK&VEN_SANDISK&PROD_CRUZER_BLADE&REV_1.26\\4C530001234567&0";
  d.hardwareIds = {"USBSTOR\\DiskSanDisk_Cruzer_Blade____1.26", "USBSTOR\\DiskSanDisk_Cruzer_Blade____",
                   "GenDisk"};
  d.friendlyName = "SanDisk Cruzer Blade USB Device";
  d.location = "USB Flash Memory";
  d.port = 4;
  d.deviceNumber = deviceNumber;
  d.busType = 7;
  d.interfaceType = "USB";
  AddDisk(m, d);
}

namespace {

// An instance id part: blanks become underscores.
std::string IdText(const std::string& text) {
  std::string out = text;
  for (char& c : out) c = c == ' ' ? '_' : c;
  return out;
}

std::string Hex(unsigned value) {
  const char* digits = "0123456789ABCDEF";
  return {digits[(value >> 4) & 0xF], digits[value & 0xF]};
}

std::string VendorOf(const std::string& model) { return model.substr(0, model.find(' ')); }
std::string ProductOf(const std::string& model) {
  const auto blank = model.find(' ');
  return blank == std::string::npos ? model : model.substr(blank + 1);
}

}  // namespace

int AddSataController(Machine& m, int bus, SataController& c) {
  auto& t = m.deviceTree;
  const auto k = static_cast<unsigned>(c.index);
  switch (c.kind) {
    case SataKind::IntelAhci: {
      PciFunction pci{"PCI\\VEN_8086&DEV_3A22&SUBSYS_50011458&REV_00\\3&11583659&" + std::to_string(k) + "&FA",
                      "Intel(R) ICH10R SATA AHCI Controller", c.service.empty() ? "iaStor" : c.service,
                      31 - static_cast<int>(k), 2, -1};
      c.node = AddPciController(m, bus, guids::kScsiAdapterClass, pci);
      t.AddIo(c.node, 0xF090 - 0x100 * k, 8);
      t.AddIo(c.node, 0xF080 - 0x100 * k, 4);
      t.AddIrq(c.node, 19);
      t.AddMemory(c.node, 0xF7E24000 - 0x1000 * std::uint64_t{k}, 0x800);
      break;
    }
    case SataKind::IntelIde: {
      PciFunction pci{"PCI\\VEN_8086&DEV_27C0&SUBSYS_81791043&REV_01\\3&11583659&" + std::to_string(k) + "&FA",
                      "Intel(R) N10/ICH7 Family Serial ATA Storage Controller - 27C0",
                      c.service.empty() ? "intelide" : c.service, 31 - static_cast<int>(k), 2, 0};
      c.node = AddPciController(m, bus, guids::kHdcClass, pci);
      t.AddIo(c.node, 0xFFA0 - 0x10 * k, 16);  // bus master registers, no command block
      const char* names[] = {"Primary IDE Channel", "Secondary IDE Channel"};
      for (unsigned channel = 0; channel < 2; ++channel) {
        const int n = t.Add("PCIIDE\\IDECHANNEL\\4&1F2E3D4C&" + std::to_string(k) + "&" + std::to_string(channel),
                            c.node, guids::kHdcClass);
        t.SetText(n, spdrp::kDeviceDesc, names[channel]);
        t.SetText(n, spdrp::kFriendlyName, names[channel]);
        t.SetText(n, spdrp::kService, "atapi");
        t.SetMultiText(n, spdrp::kHardwareId, {"Internal_IDE_Channel"});
        t.SetText(n, spdrp::kLocationInformation, channel == 0 ? "Primary channel" : "Secondary channel");
        t.SetNumber(n, spdrp::kAddress, channel);
      }
      break;
    }
    case SataKind::Sil3124: {
      PciFunction pci{"PCI\\VEN_1095&DEV_3124&SUBSYS_71241095&REV_02\\4&3B1E2C1&" + std::to_string(k) + "&20E4",
                      "Silicon Image SiI 3124 SATALink Controller", c.service.empty() ? "SI3124r5" : c.service,
                      4 + static_cast<int>(k), 0, 2 + static_cast<int>(k)};
      c.node = AddPciController(m, bus, guids::kScsiAdapterClass, pci);
      t.AddMemory(c.node, 0xFEAFFC00 - 0x10000 * std::uint64_t{k}, 0x80);  // global registers
      t.AddIrq(c.node, 18);
      t.AddMemory(c.node, 0xFEAF8000 - 0x10000 * std::uint64_t{k}, 0x8000);  // port registers
      t.AddIo(c.node, 0xE800 - 0x100 * k, 16);
      break;
    }
  }
  return c.node;
}

SimDisk& AddSataDisk(Machine& m, const SataController& c, unsigned position, std::uint32_t deviceNumber,
                     const DiskDescription& d) {
  const std::string k = std::to_string(c.index);
  DiskSpec s;
  s.description = d;
  s.deviceNumber = deviceNumber;
  s.parent = c.node;
  switch (c.kind) {
    case SataKind::IntelAhci:
      s.instanceId = "SCSI\\DISK&VEN_" + IdText(VendorOf(d.model)) + "&PROD_" + IdText(ProductOf(d.model)) +
                     "\\4&2E5A6B1&" + k + "&0" + Hex(position) + "000";
      s.hardwareIds = ScsiHardwareIds(d);
      s.friendlyName = d.model + " SCSI Disk Device";
      s.location = std::to_string(position);
      s.port = c.firstPort;
      s.path = static_cast<std::uint8_t>(position);
      break;
    case SataKind::IntelIde: {
      const unsigned channel = position / 2, device = position % 2;
      s.parent = m.deviceTree.Find("PCIIDE\\IDECHANNEL\\4&1F2E3D4C&" + k + "&" + std::to_string(channel));
      s.hardwareIds = IdeHardwareIds(d);
      s.instanceId = "IDE\\" + s.hardwareIds[0].substr(4) + "\\5&38E1C09D&" + k + "&0." + std::to_string(device) + ".0";
      s.friendlyName = d.model;
      s.location = std::to_string(device);
      s.port = static_cast<std::uint8_t>(c.firstPort + channel);  // one port driver per channel
      s.target = static_cast<std::uint8_t>(device);
      s.busType = 3;
      break;
    }
    case SataKind::Sil3124:
      s.instanceId = "SCSI\\DISK&VEN_" + IdText(VendorOf(d.model)) + "&PROD_" + IdText(ProductOf(d.model)) +
                     "\\5&1C2D3E4F&" + k + "&0" + Hex(position) + "0000";
      s.hardwareIds = ScsiHardwareIds(d);
      s.friendlyName = d.model + " SCSI Disk Device";
      s.location = "Bus Number " + std::to_string(position) + ", Target Id 0, LUN 0";
      s.port = c.firstPort;
      s.path = static_cast<std::uint8_t>(position);
      s.busType = 1;
      s.interfaceType = "SCSI";
      break;
  }
  return AddDisk(m, s);
}

int AddUsbHost(Machine& m, int bus) {
  auto& t = m.deviceTree;
  PciFunction pci{"PCI\\VEN_8086&DEV_3A3A&SUBSYS_50061458&REV_00\\3&11583659&0&EF",
                  "Intel(R) ICH10 Family USB Enhanced Host Controller - 3A3A", "usbehci", 29, 7, -1};
  const int ehci = AddPciController(m, bus, guids::kUsbClass, pci);
  t.AddMemory(ehci, 0xF7E25000, 0x400);
  t.AddIrq(ehci, 23);
  const int hub = t.Add("USB\\ROOT_HUB20\\4&2851D18A&0", ehci, guids::kUsbClass);
  t.SetText(hub, spdrp::kDeviceDesc, "USB Root Hub");
  return hub;
}

SimDisk& AddUsbDiskAt(Machine& m, int hub, unsigned index, std::uint8_t port, std::uint32_t deviceNumber,
                      const DiskDescription& d) {
  auto& t = m.deviceTree;
  const std::string serial = IdText(d.serial) + Hex(index);
  const int stick = t.Add("USB\\VID_0781&PID_5567\\" + serial, hub, guids::kUsbClass);
  t.SetText(stick, spdrp::kDeviceDesc, "USB Mass Storage Device");
  t.SetText(stick, spdrp::kService, "USBSTOR");
  t.SetNumber(stick, spdrp::kAddress, 3 + index);

  DiskSpec s;
  s.parent = stick;
  s.description = d;
  const std::string vendor = IdText(VendorOf(d.model)), product = IdText(ProductOf(d.model));
  s.instanceId = "USBSTOR\\DISK&VEN_" + vendor + "&PROD_" + product + "&REV_" + IdText(d.firmware) + "\\" + serial + "&0";
  s.hardwareIds = {"USBSTOR\\Disk" + vendor + "_" + product + "____" + d.firmware, "GenDisk"};
  s.friendlyName = d.model + " USB Device";
  s.location = "USB Flash Memory";
  s.port = port;
  s.deviceNumber = deviceNumber;
  s.busType = 7;
  s.interfaceType = "USB";
  return AddDisk(m, s);
}

void AddWmiOnlyDisk(Machine& m, std::uint32_t index) {
  WmiInstance w;
  w.Set("Caption", "PHANTOM DISK");
  w.Set("DeviceID", "\\\\.\\PHYSICALDRIVE" + std::to_string(index));
  w.Set("Index", std::to_string(index));
  w.Set("InterfaceType", "SCSI");
  w.Set("Model", "PHANTOM DISK");
  m.wmi.extraInstances.emplace_back("Win32_DiskDrive", w);
}

}  // namespace qz::sim
