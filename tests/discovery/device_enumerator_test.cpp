#include <gtest/gtest.h>

#include "discovery/device_enumerator.hpp"
#include "discovery/fixed_text.hpp"
#include "discovery_rig.hpp"

namespace qz {
namespace {

using testing::DiscoveryRig;

TEST(DeviceEnumerator, IntelDesktopListsBothDisksWithControllerAndWmiData) {
  DiscoveryRig rig;
  sim::BuildIntelAhciDesktop(rig.machine);
  DeviceEnumerator e(rig.api, rig.setup, rig.wmi);
  ASSERT_TRUE(e.Enumerate());
  ASSERT_EQ(e.GetCount(), 2);
  EXPECT_EQ(e.ExpectedCount(), 2);
  EXPECT_EQ(e.Runs(), 1);

  const DiskRegData& a = e.GetList()[0];
  const DiskRegData& b = e.GetList()[1];
  // Port 2 path 0 before port 2 path 2.
  EXPECT_EQ(GetText(a.HardwareId), "SCSI\\DiskVORTANIXQRX-480T9A______VRD5");
  EXPECT_EQ(b.Address.PathId, 2);
  EXPECT_EQ(a.HasScsiAddress, 1);
  EXPECT_EQ(a.Address.Length, 8u);
  EXPECT_EQ(a.Address.PortNumber, 2);
  EXPECT_EQ(a.DeviceNumber, 0);
  EXPECT_EQ(b.DeviceNumber, 1);
  EXPECT_EQ(a.BusType, bus_type::kSata);
  EXPECT_EQ(a.IsIdeEnumerator, 0);
  EXPECT_EQ(GetText(a.EnumeratorName), "SCSI");
  EXPECT_EQ(GetText(a.LocationInformation), "0");
  EXPECT_EQ(GetText(b.LocationInformation), "2");
  EXPECT_EQ(GetText(a.FriendlyName), "VORTANIX QRX-480T9A SCSI Disk Device");
  EXPECT_EQ(GetText(a.Service), "disk");
  EXPECT_EQ(a.ClassGuid, guids::kDiskDriveClass);
  EXPECT_EQ(GetText(a.DevicePath).rfind("\\\\?\\scsi#disk&ven_vortanix", 0), 0u);
  // SCSI enumerators take the path id as their address.
  EXPECT_EQ(a.UIAddress, 0u);
  EXPECT_EQ(b.UIAddress, 2u);

  EXPECT_EQ(a.VendorId, 0x8086);
  EXPECT_EQ(a.DeviceId, 0x3A22);
  ASSERT_TRUE(a.Parent);
  EXPECT_EQ(GetText(a.Parent->DeviceInstanceId),
            "PCI\\VEN_8086&DEV_3A22&SUBSYS_50011458&REV_00\\3&11583659&0&FA");
  EXPECT_EQ(a.Parent->PciDevice, 31);
  EXPECT_EQ(a.Parent->PciFunction, 2);
  EXPECT_EQ(a.Parent->HasBusNumber, 1);
  EXPECT_EQ(GetText(a.Parent->Service), "iaStor");
  EXPECT_EQ(a.Parent->ClassGuid, guids::kScsiAdapterClass);
  // The chain runs up to the root's child and stops.
  int depth = 0;
  for (const ParentNode* p = a.Parent.get(); p; p = p->next.get()) ++depth;
  EXPECT_EQ(depth, 5);  // controller, PCI bus, ACPI, HAL, root

  // Five I/O ranges of which two are command blocks with their control blocks: path 0 takes
  // the first, path 2 is beyond the two and gets no ports.
  EXPECT_EQ(a.HasIo, 1);
  EXPECT_EQ(a.CmdBase, 0xF090u);
  EXPECT_EQ(a.CmdLength, 8u);
  EXPECT_EQ(a.CtlBase, 0xF080u);
  EXPECT_EQ(a.CtlLength, 4u);
  EXPECT_EQ(b.HasIo, 0);
  // The interrupt is not a memory range.
  ASSERT_EQ(a.HasMem, 1);
  ASSERT_EQ(a.MemRangeCount, 1u);
  EXPECT_EQ(a.MemRanges[0].Base, 0xF7E24000u);
  EXPECT_EQ(a.MemRanges[0].Length, 0x800u);

  ASSERT_TRUE(a.WmiInfo);
  EXPECT_EQ(GetText(a.WmiInfo->Model), "VORTANIX QRX-480T9A");
  EXPECT_EQ(a.WmiInfo->Index, 0);
  ASSERT_TRUE(b.WmiInfo);
  EXPECT_EQ(b.WmiInfo->SCSIBus, 2);
  EXPECT_EQ(a.DriveLetters['C' - 'A'], 1);
  EXPECT_EQ(a.DriveLetters['D' - 'A'], 1);
  EXPECT_EQ(a.DriveLetters['E' - 'A'], 0);
  EXPECT_EQ(b.DriveLetters['E' - 'A'], 1);

  // The diagnostic controller lists.
  EXPECT_EQ(e.HdcControllers().size(), 0u);
  ASSERT_EQ(e.ScsiAdapters().size(), 1u);
  EXPECT_EQ(GetText(e.ScsiAdapters()[0].DeviceDesc), "Intel(R) ICH10R SATA AHCI Controller");

  e.Destroy();
  EXPECT_EQ(rig.setup.OpenHandleCount(), 0u);
  EXPECT_EQ(rig.wmi.OpenObjectCount(), 0u);
  EXPECT_EQ(rig.wmi.ComDepth(), 0);
  EXPECT_EQ(rig.api.OpenHandleCount(), 0u);
  EXPECT_EQ(rig.DebugLines().back(), "Deconstructor ok ");
}

TEST(DeviceEnumerator, SiliconImageCardKeepsBothMemoryRangesAndWmiPort) {
  DiscoveryRig rig;
  sim::BuildSil3124Machine(rig.machine);
  DeviceEnumerator e(rig.api, rig.setup, rig.wmi);
  ASSERT_TRUE(e.Enumerate());
  ASSERT_EQ(e.GetCount(), 4);
  // Intel port 2 first, then the card's port 3.
  EXPECT_EQ(e.GetList()[0].VendorId, 0x8086);
  EXPECT_EQ(e.GetList()[1].VendorId, 0x8086);
  for (int i : {2, 3}) {
    const DiskRegData& d = e.GetList()[static_cast<std::size_t>(i)];
    EXPECT_EQ(d.VendorId, 0x1095);
    EXPECT_EQ(d.DeviceId, 0x3124);
    EXPECT_EQ(d.BusType, bus_type::kScsi);
    ASSERT_EQ(d.MemRangeCount, 2u) << "the interrupt between the two ranges must not count";
    EXPECT_EQ(d.MemRanges[0].Base, 0xFEAFFC00u);
    EXPECT_EQ(d.MemRanges[0].Length, 0x80u);
    EXPECT_EQ(d.MemRanges[1].Base, 0xFEAF8000u);
    EXPECT_EQ(d.MemRanges[1].Length, 0x8000u);
    EXPECT_EQ(d.HasIo, 0);  // a 16-byte range is no command block
    ASSERT_TRUE(d.WmiInfo);
    EXPECT_EQ(d.WmiInfo->SCSIBus, d.Address.PathId);
  }
  EXPECT_EQ(e.GetList()[2].Address.PathId, 1);
  EXPECT_EQ(e.GetList()[3].Address.PathId, 3);
  EXPECT_EQ(e.GetList()[3].DriveLetters['G' - 'A'], 1);
  EXPECT_EQ(e.GetList()[3].DriveLetters['H' - 'A'], 1);
  EXPECT_EQ(e.GetList()[2].DeviceNumber, 2);
}

TEST(DeviceEnumerator, LegacyIdeChannelsFallBackToTheFixedPorts) {
  DiscoveryRig rig(sim::Windows::XpPro);
  sim::BuildLegacyIdeMachine(rig.machine);
  DeviceEnumerator e(rig.api, rig.setup, rig.wmi);
  ASSERT_TRUE(e.Enumerate());
  ASSERT_EQ(e.GetCount(), 2);
  const DiskRegData& primary = e.GetList()[0];
  const DiskRegData& secondary = e.GetList()[1];
  EXPECT_EQ(primary.IsIdeEnumerator, 1);
  EXPECT_EQ(primary.BusType, bus_type::kAta);
  EXPECT_EQ(primary.UIAddress, 0u);
  EXPECT_EQ(secondary.UIAddress, 1u);
  EXPECT_EQ(primary.HasUINumber, 1);
  EXPECT_EQ(primary.UINumber, 0);
  EXPECT_EQ(primary.HasIo, 1);
  EXPECT_EQ(primary.IoRangeCount, 2u);
  EXPECT_EQ(primary.CmdBase, 0x1F0u);
  EXPECT_EQ(primary.CmdLength, 8u);
  EXPECT_EQ(primary.CtlBase, 0x3F6u);
  EXPECT_EQ(primary.CtlLength, 1u);
  EXPECT_EQ(secondary.CmdBase, 0x170u);
  EXPECT_EQ(secondary.CtlBase, 0x376u);
  EXPECT_EQ(primary.VendorId, 0x8086);
  EXPECT_EQ(primary.DeviceId, 0x27C0);
  // Windows XP's WMI has no firmware revision; the record is still attached.
  ASSERT_TRUE(primary.WmiInfo);
  EXPECT_EQ(primary.WmiInfo->FirmwareRevision[0], '\0');
  EXPECT_EQ(GetText(primary.WmiInfo->InterfaceType), "IDE");
  const auto debug = rig.DebugLines();
  EXPECT_EQ(DiscoveryRig::Count(debug, "IO Address not found "), 2);
  EXPECT_EQ(DiscoveryRig::Count(debug, "Get parent for IO Address "), 2);
}

TEST(DeviceEnumerator, LegacyFallbackNeedsChannelZeroUiNumberAndAKnownChannel) {
  {
    // A channel address other than 0 or 1 leaves the disk without ports.
    DiscoveryRig rig;
    sim::BuildLegacyIdeMachine(rig.machine);
    auto& t = rig.machine.deviceTree;
    t.SetNumber(t.Find("PCIIDE\\IDECHANNEL\\4&1F2E3D4C&0&1"), spdrp::kAddress, 2);
    DeviceEnumerator e(rig.api, rig.setup, rig.wmi);
    ASSERT_TRUE(e.Enumerate());
    EXPECT_EQ(e.GetList()[0].HasIo, 1);
    EXPECT_EQ(e.GetList()[1].UIAddress, 2u);
    EXPECT_EQ(e.GetList()[1].HasIo, 0);
  }
  {
    // A controller whose UI number is not 0.
    DiscoveryRig rig;
    sim::BuildLegacyIdeMachine(rig.machine);
    auto& t = rig.machine.deviceTree;
    t.SetNumber(t.Find("PCI\\VEN_8086&DEV_27C0&SUBSYS_81791043&REV_01\\3&11583659&0&FA"),
                spdrp::kUiNumber, 3);
    DeviceEnumerator e(rig.api, rig.setup, rig.wmi);
    ASSERT_TRUE(e.Enumerate());
    EXPECT_EQ(e.GetList()[0].UINumber, 3);
    EXPECT_EQ(e.GetList()[0].HasIo, 0);
  }
  {
    // No grandparent at all: the channel hangs from the root's absent parent.
    DiscoveryRig rig;
    sim::BuildLegacyIdeMachine(rig.machine);
    auto& t = rig.machine.deviceTree;
    const int channel = t.Find("PCIIDE\\IDECHANNEL\\4&1F2E3D4C&0&0");
    t.nodes[static_cast<std::size_t>(channel)].parent = -1;
    t.SetNumber(channel, spdrp::kUiNumber, 0);
    DeviceEnumerator e(rig.api, rig.setup, rig.wmi);
    ASSERT_TRUE(e.Enumerate());
    EXPECT_EQ(e.GetList()[0].HasUINumber, 1);
    EXPECT_EQ(e.GetList()[0].HasIo, 0);
    EXPECT_EQ(e.GetList()[1].HasIo, 1);
  }
}

TEST(DeviceEnumerator, NativeModeControllerPicksTheChannelByAddress) {
  DiscoveryRig rig;
  sim::BuildLegacyIdeMachine(rig.machine, true);
  DeviceEnumerator e(rig.api, rig.setup, rig.wmi);
  ASSERT_TRUE(e.Enumerate());
  ASSERT_EQ(e.GetCount(), 2);
  EXPECT_EQ(e.GetList()[0].CmdBase, 0xD000u);
  EXPECT_EQ(e.GetList()[0].CtlBase, 0xD400u);
  EXPECT_EQ(e.GetList()[0].CtlLength, 4u);
  EXPECT_EQ(e.GetList()[1].CmdBase, 0xD800u);
  EXPECT_EQ(e.GetList()[1].CtlBase, 0xDC00u);
  // The grandparent's lines use the other label.
  const auto debug = rig.DebugLines();
  EXPECT_EQ(DiscoveryRig::Count(debug, "IO Resource (1)"), 2);
  EXPECT_EQ(DiscoveryRig::Count(debug, "tMyIOResource.IO_Addr[t].IOD_Alloc_Base = D800"), 2);
  EXPECT_EQ(DiscoveryRig::Count(debug, "Port IO Resource (0)"), 0);
}

TEST(DeviceEnumerator, OneCommandBlockServesEveryChannelAddress) {
  DiscoveryRig rig;
  sim::BuildLegacyIdeMachine(rig.machine, true);
  auto& t = rig.machine.deviceTree;
  auto& controller =
      t.nodes[static_cast<std::size_t>(t.Find("PCI\\VEN_8086&DEV_27C0&SUBSYS_81791043&REV_01\\3&11583659&0&FA"))];
  controller.allocated.erase(controller.allocated.begin() + 2, controller.allocated.begin() + 4);
  DeviceEnumerator e(rig.api, rig.setup, rig.wmi);
  ASSERT_TRUE(e.Enumerate());
  EXPECT_EQ(e.GetList()[1].UIAddress, 1u);
  EXPECT_EQ(e.GetList()[0].CmdBase, 0xD000u);
  EXPECT_EQ(e.GetList()[1].CmdBase, 0xD000u);
  EXPECT_EQ(e.GetList()[1].CtlBase, 0xD400u);
}

TEST(DeviceEnumerator, UsbDiskIsListedWithItsBusType) {
  DiscoveryRig rig;
  sim::BuildIntelAhciDesktop(rig.machine);
  sim::AddUsbDisk(rig.machine, 2, 'F');
  DeviceEnumerator e(rig.api, rig.setup, rig.wmi);
  ASSERT_TRUE(e.Enumerate());
  ASSERT_EQ(e.GetCount(), 3);
  const DiskRegData& usb = e.GetList()[2];  // port 4 sorts after port 2
  EXPECT_EQ(usb.BusType, bus_type::kUsb);
  EXPECT_EQ(GetText(usb.EnumeratorName), "USBSTOR");
  EXPECT_EQ(usb.VendorId, 0x8086);  // the host controller is the nearest PCI function
  EXPECT_EQ(usb.DeviceId, 0x3A3A);
  EXPECT_EQ(usb.HasIo, 0);
  EXPECT_EQ(usb.HasMem, 0);
  EXPECT_EQ(usb.DriveLetters['F' - 'A'], 1);
  ASSERT_TRUE(usb.WmiInfo);
  EXPECT_EQ(GetText(usb.WmiInfo->InterfaceType), "USB");
}

TEST(DeviceEnumerator, PropertiesTakeFirstIdAndExactIdeName) {
  DiscoveryRig rig;
  sim::BuildLegacyIdeMachine(rig.machine);
  auto& t = rig.machine.deviceTree;
  const int disk = rig.machine.deviceTree.disks[1].node;
  t.SetText(disk, spdrp::kEnumeratorName, "ide");
  t.nodes[static_cast<std::size_t>(disk)].failingProperties.insert(spdrp::kFriendlyName);
  DeviceEnumerator e(rig.api, rig.setup, rig.wmi);
  ASSERT_TRUE(e.Enumerate());
  const DiskRegData& first = e.GetList()[0];
  const DiskRegData& second = e.GetList()[1];
  EXPECT_EQ(GetText(first.HardwareId),
            "IDE\\DiskVORTANIX_QRX-240S3" + std::string(22, '_') + "VRC2____");
  EXPECT_EQ(GetText(first.CompatibleIds), "GenDisk");
  EXPECT_EQ(first.IsIdeEnumerator, 1);
  EXPECT_EQ(second.IsIdeEnumerator, 0);
  EXPECT_EQ(GetText(second.FriendlyName), "");
  EXPECT_EQ(GetText(second.DeviceDesc), "Disk drive");
}

TEST(DeviceEnumerator, LongPropertyIsCutToTheField) {
  DiscoveryRig rig;
  sim::BuildIntelAhciDesktop(rig.machine);
  const std::string longName(400, 'x');
  rig.machine.deviceTree.SetText(rig.machine.deviceTree.disks[0].node, spdrp::kFriendlyName, longName);
  DeviceEnumerator e(rig.api, rig.setup, rig.wmi);
  ASSERT_TRUE(e.Enumerate());
  EXPECT_EQ(GetText(e.GetList()[0].FriendlyName), std::string(259, 'x'));
}

TEST(DeviceEnumerator, ExpectedCountZeroEnumeratesNothing) {
  DiscoveryRig rig;
  sim::BuildIntelAhciDesktop(rig.machine);
  rig.machine.services.Find("Winmgmt")->state = service_state::kStopped;
  rig.machine.services.FailStart("Winmgmt");
  DeviceEnumerator e(rig.api, rig.setup, rig.wmi);
  ASSERT_TRUE(e.Enumerate());
  EXPECT_EQ(e.ExpectedCount(), 0);
  EXPECT_EQ(e.GetCount(), 0);
  EXPECT_EQ(e.Runs(), 1);
  EXPECT_TRUE(e.GetList().empty());
}

TEST(DeviceEnumerator, MoreDisksExpectedThanFoundRunsElevenTimes) {
  DiscoveryRig rig;
  sim::BuildIntelAhciDesktop(rig.machine);
  sim::AddWmiOnlyDisk(rig.machine, 5);
  DeviceEnumerator e(rig.api, rig.setup, rig.wmi);
  ASSERT_TRUE(e.Enumerate());
  EXPECT_EQ(e.ExpectedCount(), 3);
  EXPECT_EQ(e.Runs(), 11);
  EXPECT_EQ(rig.machine.deviceTree.interfaceListsBuilt, 11);
  EXPECT_EQ(e.GetCount(), 2);
  EXPECT_EQ(DiscoveryRig::Count(rig.DebugLines(), "call GetDiskRegistryInfo"), 11);
  // The smaller list is kept whole, and the record of the phantom disk finds no entry.
  EXPECT_EQ(GetText(e.GetList()[1].WmiInfo->Model), "HALDEN HD2T-7200");
}

TEST(DeviceEnumerator, LateDiskIsFoundByARepeat) {
  DiscoveryRig rig;
  sim::BuildIntelAhciDesktop(rig.machine);
  sim::AddUsbDisk(rig.machine, 2, 'F');
  // The USB disk's interface appears only in the fourth list; until then the earlier runs
  // find two disks and the USB disk's slot stays empty.
  rig.machine.deviceTree.interfaces.back().hiddenForLists = 3;
  DeviceEnumerator e(rig.api, rig.setup, rig.wmi);
  ASSERT_TRUE(e.Enumerate());
  EXPECT_EQ(e.Runs(), 4);
  ASSERT_EQ(e.GetCount(), 3);
  EXPECT_EQ(e.GetList()[2].BusType, bus_type::kUsb);
}

TEST(DeviceEnumerator, RepeatsStartFromEmptyEntries) {
  // In the first runs only the second Intel disk is listed; the later full run must not
  // keep what the first runs wrote into entry 0.
  DiscoveryRig rig;
  sim::BuildIntelAhciDesktop(rig.machine);
  rig.machine.deviceTree.interfaces[0].hiddenForLists = 2;
  auto& first = rig.machine.deviceTree.nodes[static_cast<std::size_t>(rig.machine.deviceTree.disks[0].node)];
  first.failingProperties.insert(spdrp::kFriendlyName);
  DeviceEnumerator e(rig.api, rig.setup, rig.wmi);
  ASSERT_TRUE(e.Enumerate());
  EXPECT_EQ(e.Runs(), 3);
  ASSERT_EQ(e.GetCount(), 2);
  EXPECT_EQ(e.GetList()[0].Address.PathId, 0);
  EXPECT_EQ(GetText(e.GetList()[0].FriendlyName), "");
  EXPECT_EQ(e.GetList()[0].HasIo, 1);
  EXPECT_EQ(e.GetList()[1].Address.PathId, 2);
  EXPECT_EQ(e.GetList()[1].HasIo, 0);
}

TEST(DeviceEnumerator, StorageQueriesThatFailLeaveZeros) {
  DiscoveryRig rig;
  sim::BuildIntelAhciDesktop(rig.machine);
  auto& device = *rig.machine.deviceTree.disks[1].device;
  device.failingCodes = {0x00041018, 0x002D1080, 0x002D1400};
  DeviceEnumerator e(rig.api, rig.setup, rig.wmi);
  ASSERT_TRUE(e.Enumerate());
  ASSERT_EQ(e.GetCount(), 2);
  // Without an address the disk follows the one that has one.
  const DiskRegData& d = e.GetList()[1];
  EXPECT_EQ(d.HasScsiAddress, 0);
  EXPECT_EQ(d.DeviceNumber, 0);
  EXPECT_EQ(d.BusType, 0);
  EXPECT_EQ(GetText(d.LocationInformation), "2");
  // Both disks now claim device number 0: the record of disk 0 goes to the first entry with
  // that number, and the record of disk 1 finds none.
  EXPECT_EQ(GetText(e.GetList()[0].WmiInfo->Model), "VORTANIX QRX-480T9A");
  EXPECT_FALSE(d.WmiInfo);
}

TEST(DeviceEnumerator, NotAnAdministratorFindsDisksButNoStorageAnswers) {
  DiscoveryRig rig;
  sim::BuildIntelAhciDesktop(rig.machine);
  rig.machine.SetAdministrator(false);
  DeviceEnumerator e(rig.api, rig.setup, rig.wmi);
  ASSERT_TRUE(e.Enumerate());
  ASSERT_EQ(e.GetCount(), 2);
  EXPECT_EQ(e.GetList()[0].HasScsiAddress, 0);
  EXPECT_EQ(e.GetList()[0].BusType, 0);
}

TEST(DeviceEnumerator, MemoryAboveFourGigabytesIsNotKept) {
  DiscoveryRig rig;
  sim::BuildSil3124Machine(rig.machine);
  auto& t = rig.machine.deviceTree;
  auto& card = t.nodes[static_cast<std::size_t>(
      t.Find("PCI\\VEN_1095&DEV_3124&SUBSYS_71241095&REV_02\\4&3B1E2C1&0&20E4"))];
  card.allocated[2].base = 0x3F0000000ull;
  card.allocated[2].end = 0x3F0007FFFull;
  DeviceEnumerator e(rig.api, rig.setup, rig.wmi);
  ASSERT_TRUE(e.Enumerate());
  EXPECT_EQ(e.GetList()[2].HasMem, 0);
  EXPECT_EQ(e.GetList()[2].MemRangeCount, 0u);
}

TEST(DeviceEnumerator, CommandBlockWithoutControlBlockGivesNoPorts) {
  DiscoveryRig rig;
  sim::BuildIntelAhciDesktop(rig.machine);
  auto& t = rig.machine.deviceTree;
  auto& controller = t.nodes[static_cast<std::size_t>(
      t.Find("PCI\\VEN_8086&DEV_3A22&SUBSYS_50011458&REV_00\\3&11583659&0&FA"))];
  controller.allocated.erase(controller.allocated.begin() + 1);  // the first control block
  DeviceEnumerator e(rig.api, rig.setup, rig.wmi);
  ASSERT_TRUE(e.Enumerate());
  EXPECT_EQ(e.GetList()[0].HasIo, 0);
  EXPECT_EQ(e.GetList()[0].CmdBase, 0u);
  EXPECT_EQ(e.GetList()[0].HasMem, 1);
}

}  // namespace
}  // namespace qz

namespace qz {
namespace {

TEST(DeviceEnumerator, ClassListThatCannotBeBuiltFindsNothing) {
  testing::DiscoveryRig rig;
  sim::BuildIntelAhciDesktop(rig.machine);
  rig.machine.deviceTree.classDevsFails = true;
  DeviceEnumerator e(rig.api, rig.setup, rig.wmi);
  ASSERT_TRUE(e.Enumerate());
  EXPECT_EQ(e.GetCount(), 0);
  EXPECT_EQ(e.Runs(), 11);
  EXPECT_TRUE(e.HdcControllers().empty());
  EXPECT_EQ(rig.setup.OpenHandleCount(), 2u);  // only the two libraries
}

// The disk loop ends on its count; a property read that failed just before (here the class
// GUID, which these disks lack) leaves its error behind, and that must not undo the list.
TEST(DeviceEnumerator, AnErrorLeftByAPropertyReadDoesNotEmptyAFullList) {
  testing::DiscoveryRig rig;
  sim::BuildIntelAhciDesktop(rig.machine);
  for (const auto& disk : rig.machine.deviceTree.disks) {
    rig.machine.deviceTree.Remove(disk.node, spdrp::kClassGuid);
  }
  DeviceEnumerator e(rig.api, rig.setup, rig.wmi);
  ASSERT_TRUE(e.Enumerate());
  EXPECT_EQ(e.GetCount(), 2);
  EXPECT_EQ(e.Runs(), 1);
  EXPECT_EQ(GetText(e.GetList()[1].FriendlyName), "HALDEN HD2T-7200 SCSI Disk Device");
  EXPECT_EQ(rig.setup.OpenHandleCount(), 2u);  // the lists were destroyed
}

TEST(DeviceEnumerator, DestroyRunsOnceAndEndsTheEnumerator) {
  testing::DiscoveryRig rig;
  sim::BuildIntelAhciDesktop(rig.machine);
  {
    DeviceEnumerator e(rig.api, rig.setup, rig.wmi);
    ASSERT_TRUE(e.Enumerate());
    ASSERT_TRUE(e.Enumerate());  // a second walk replaces the first
    EXPECT_EQ(e.GetCount(), 2);
    EXPECT_EQ(e.GetList().size(), 2u);
    e.Destroy();
    EXPECT_EQ(e.GetCount(), 0);
    EXPECT_TRUE(e.GetList().empty());
    EXPECT_FALSE(e.Enumerate());
  }
  const auto lines = rig.DebugLines();
  EXPECT_EQ(testing::DiscoveryRig::Count(lines, "Deconstructor ok "), 1);
  EXPECT_EQ(lines.back(), "Deconstructor ok ");
  EXPECT_EQ(rig.setup.OpenHandleCount(), 0u);
}

}  // namespace
}  // namespace qz
