// The drive manager on simulated machines: which disks are listed, in which order, with
// which identify text, and that every slot's commands reach that slot's own drive.
#include <gtest/gtest.h>

#include <string>

#include "discovery/drive_manager.hpp"
#include "platform/text.hpp"
#include "tests/transport/command_rig.hpp"

namespace qz {
namespace {

using test::CommandRig;

template <std::size_t N>
std::string Str(const std::array<char, N>& text) {
  return std::string(text.data(), strnlen(text.data(), N));
}

std::unique_ptr<DriveManager> Scan(CommandRig& rig) {
  auto manager = DriveManager::Create(rig.System(), false);
  EXPECT_NE(manager, nullptr);
  return manager;
}

TEST(DriveManager, ListsAndIdentifiesTheDisks) {
  CommandRig rig;
  sim::BuildIntelAhciDesktop(rig.machine);
  rig.AttachDrives();
  auto m = Scan(rig);
  ASSERT_EQ(m->GetCount(), 2);
  const DriveRecord* a = m->GetItem(0);
  const DriveRecord* b = m->GetItem(1);
  ASSERT_TRUE(a && b);
  EXPECT_EQ(Str(a->ModelText), "VORTANIX QRX-480T9A     ");  // 24 characters, blanks kept
  EXPECT_EQ(Str(a->ModelHead), "VORTANIX");
  EXPECT_EQ(Str(a->ModelTail), " QRX-480T9A     ");
  EXPECT_EQ(Str(a->FirmwareRevision), "VRD5    ");
  EXPECT_EQ(Str(b->ModelText), "HALDEN HD2T-7200        ");
  EXPECT_EQ(Str(b->FirmwareRevision), "HN02    ");
  EXPECT_EQ(a->TypeTag[0], 0);
  EXPECT_EQ(a->PortNumber, 2);
  EXPECT_EQ(a->PathId, 0);
  EXPECT_EQ(b->PathId, 2);
  EXPECT_EQ(m->GetItem(2), nullptr);
  EXPECT_EQ(m->LastError, 0u);
  // The scan ends with no selection, and leaves its own time-out behind.
  EXPECT_EQ(m->SelectedIndex, DriveManager::kNoSelection);
  EXPECT_EQ(m->PortNumber, -1);
  EXPECT_FLOAT_EQ(m->Device().CommandTimeout, 3.0f);
  EXPECT_EQ(rig.drives[0]->seen.at(0).timeoutSeconds, 3u);
  EXPECT_EQ(m->IdentifyAttempts, 2);
}

TEST(DriveManager, SelectCopiesTheSlotAndPointsTheDeviceAtItsEntry) {
  CommandRig rig;
  sim::BuildIntelAhciDesktop(rig.machine);
  rig.AttachDrives();
  auto m = Scan(rig);
  ASSERT_TRUE(m->Select(1));
  EXPECT_EQ(m->SelectedIndex, 1);
  EXPECT_EQ(m->PathId, 2);
  EXPECT_EQ(Str(m->CurrentModelHead), "HALDEN H");
  EXPECT_EQ(m->Device().CurrentIndex, m->Drives[1].DeviceIndex);

  EXPECT_FALSE(m->Select(2));  // not present
  EXPECT_FALSE(m->Select(-1));
  EXPECT_FALSE(m->Select(127));
  EXPECT_EQ(m->SelectedIndex, 1);
  EXPECT_FALSE(m->IsPresent(16));
  m->Deselect();
  EXPECT_EQ(m->SelectedIndex, DriveManager::kNoSelection);
  EXPECT_EQ(m->TargetId, -1);
}

// A USB disk between two SATA disks and a disk whose address query fails: slot and device
// entry part ways, and every slot must still reach its own drive.
TEST(DriveManager, EverySlotReachesItsOwnDrive) {
  CommandRig rig;
  const int c = rig.AddController();
  rig.AddSataDisk(c, "VORTANIX QRX-240S3", "VRC2", 2, 0);
  sim::AddUsbDisk(rig.machine, 1, 'E');  // port 4
  rig.AddSataDisk(c, "VORTANIX QRX-960T9A", "VRD5", 5, 0);
  sim::SimDisk& lost = rig.AddSataDisk(c, "HALDEN HD500-5400", "HN01", 1, 3);
  lost.device->hasScsiAddress = false;
  rig.AttachDrives();
  auto m = Scan(rig);

  ASSERT_EQ(m->GetCount(), 3);
  for (unsigned i = 0; i < 3; ++i) {
    const DriveRecord* r = m->GetItem(i);
    ASSERT_NE(r, nullptr);
    const DiskRegData* entry = m->Device().GetDeviceEntry(r->DeviceIndex);
    ASSERT_NE(entry, nullptr);
    ASSERT_NE(entry->WmiInfo, nullptr);
    // The text came from the entry's own drive.
    EXPECT_EQ(TrimText(Str(r->ModelText), IsSpace, TrimEnds::kRight), std::string(entry->WmiInfo->Model.data()));
  }
  EXPECT_EQ(Str(m->GetItem(0)->ModelHead), "VORTANIX");
  EXPECT_EQ(m->GetItem(0)->PortNumber, 2);
  EXPECT_EQ(m->GetItem(1)->PortNumber, 5);
  EXPECT_EQ(m->GetItem(2)->PortNumber, 6);  // made up, after the largest real one
  EXPECT_EQ(Str(m->GetItem(2)->ModelText), "HALDEN HD500-5400       ");
  // The USB disk never received a command.
  for (std::size_t d = 0; d < rig.machine.deviceTree.disks.size(); ++d) {
    if (rig.machine.deviceTree.disks[d].interfaceType == "USB") {
      EXPECT_TRUE(rig.drives[d]->seen.empty());
    }
  }
  // Selecting slot 1 and sending reaches the port-5 disk's drive.
  ASSERT_TRUE(m->Select(1));
  for (auto& drive : rig.drives) drive->seen.clear();
  EXPECT_EQ(m->Device().Identify(), 0);
  EXPECT_EQ(rig.drives[2]->seen.size(), 1u);
}

TEST(DriveManager, EqualAddressesKeepTheDeviceListOrder) {
  CommandRig rig;
  const int c1 = rig.AddController();
  const int c2 = rig.AddController("PCI\\VEN_1B4B&DEV_9123&SUBSYS_91231B4B&REV_11\\4&2&0&00E6");
  rig.AddSataDisk(c1, "VORTANIX QRX-120T9A", "VRD4", 3, 1);
  rig.AddSataDisk(c2, "VORTANIX QRX-480T9A", "VRD5", 3, 1);
  rig.AttachDrives();
  auto m = Scan(rig);
  ASSERT_EQ(m->GetCount(), 2);
  EXPECT_LT(m->GetItem(0)->DeviceIndex, m->GetItem(1)->DeviceIndex);
  EXPECT_NE(Str(m->GetItem(0)->ModelText), Str(m->GetItem(1)->ModelText));
}

TEST(DriveManager, KeyBeyondTheLimitIsCountedButNotListed) {
  CommandRig rig;
  const int c = rig.AddController();
  rig.AddSataDisk(c, "VORTANIX QRX-120T9A", "VRD4", 1, 0);
  rig.AddSataDisk(c, "VORTANIX QRX-480T9A", "VRD5", 16, 0);
  rig.AttachDrives();
  auto m = Scan(rig);
  EXPECT_EQ(m->GetCount(), 2);
  ASSERT_NE(m->GetItem(0), nullptr);
  EXPECT_EQ(m->GetItem(0)->PortNumber, 1);
  EXPECT_EQ(m->GetItem(1), nullptr);
  EXPECT_FALSE(m->Select(1));
}

TEST(DriveManager, ElevenDrivesShareTenIdentifyCalls) {
  CommandRig rig;
  const int c = rig.AddController();
  for (std::uint8_t i = 0; i < 11; ++i) {
    rig.AddSataDisk(c, "VORTANIX QRX-" + std::to_string(100 + i), "VRD" + std::to_string(i % 10), 2, i);
  }
  rig.AttachDrives();
  auto m = Scan(rig);
  ASSERT_EQ(m->GetCount(), 11);
  EXPECT_EQ(m->IdentifyAttempts, 10);
  for (unsigned i = 0; i < 10; ++i) {
    EXPECT_EQ(Str(m->GetItem(i)->ModelHead), "VORTANIX") << i;
  }
  ASSERT_NE(m->GetItem(10), nullptr);
  EXPECT_EQ(Str(m->GetItem(10)->ModelText), "");
  EXPECT_EQ(Str(m->GetItem(10)->FirmwareRevision), "");
}

TEST(DriveManager, AFirstDriveThatTimesOutTakesTheWholeBudget) {
  CommandRig rig;
  const int c = rig.AddController();
  rig.AddSataDisk(c, "VORTANIX QRX-120T9A", "VRD4", 1, 0);
  rig.AddSataDisk(c, "VORTANIX QRX-480T9A", "VRD5", 1, 1);
  rig.AttachDrives();
  rig.drives[0]->outcomes.assign(10, sim::AtaLinkReply::Kind::Timeout);
  const auto before = rig.machine.clock.Ticks();
  auto m = Scan(rig);
  ASSERT_EQ(m->GetCount(), 2);
  EXPECT_EQ(rig.drives[0]->seen.size(), 10u);
  EXPECT_TRUE(rig.drives[1]->seen.empty());
  EXPECT_EQ(Str(m->GetItem(0)->ModelText), "");
  EXPECT_EQ(Str(m->GetItem(1)->ModelText), "");
  // Each attempt waited the scan's 3 seconds, not the device's 20.
  for (const auto& command : rig.drives[0]->seen) EXPECT_EQ(command.timeoutSeconds, 3u);
  const auto waited = (rig.machine.clock.Ticks() - before) / sim::VirtualClock::kFrequency;
  EXPECT_GE(waited, 30);
  EXPECT_LT(waited, 60);
}

TEST(DriveManager, ADriveThatRecoversWithinTheBudget) {
  CommandRig rig;
  const int c = rig.AddController();
  rig.AddSataDisk(c, "VORTANIX QRX-120T9A", "VRD4", 1, 0);
  rig.AddSataDisk(c, "VORTANIX QRX-480T9A", "VRD5", 1, 1);
  rig.AttachDrives();
  rig.drives[0]->outcomes = {sim::AtaLinkReply::Kind::Timeout, sim::AtaLinkReply::Kind::IoError};
  auto m = Scan(rig);
  EXPECT_EQ(m->IdentifyAttempts, 4);
  EXPECT_EQ(Str(m->GetItem(0)->FirmwareRevision), "VRD4    ");
  EXPECT_EQ(Str(m->GetItem(1)->FirmwareRevision), "VRD5    ");
}

TEST(DriveManager, AllAddressQueriesFailing) {
  CommandRig rig;
  const int c = rig.AddController();
  for (std::uint8_t i = 0; i < 3; ++i) {
    rig.AddSataDisk(c, "VORTANIX QRX-" + std::to_string(200 + i), "VRD5", 0, i).device->hasScsiAddress =
        false;
  }
  rig.AttachDrives();
  auto m = Scan(rig);
  ASSERT_EQ(m->GetCount(), 3);
  for (unsigned i = 0; i < 3; ++i) {
    EXPECT_EQ(m->GetItem(i)->PortNumber, static_cast<std::int16_t>(i + 1));
    EXPECT_EQ(m->GetItem(i)->DeviceIndex, static_cast<std::int32_t>(i));
    EXPECT_EQ(m->GetItem(i)->TargetId, 0);
  }
}

// A disk behind a driver that refuses pass-through is listed without text and reported with
// what Windows says of it; an identified disk is not reported.
TEST(DriveManager, DisksNoTransportIdentifiedAreReportedWithTheirControllersDriver) {
  CommandRig rig;
  const int rst = rig.AddController("PCI\\VEN_8086&DEV_A352&SUBSYS_86941043&REV_10\\3&11583659&0&B8", "iaStorAC");
  rig.AddSataDisk(rst, "VORTANIX QRX-480T9A", "VRD5", 1, 0);
  rig.AttachDrives(sim::PortDriver::ScsiAdapter());
  const int ahci = rig.AddController();
  // First in address order: the refused disk spends what is left of the identify budget.
  rig.AddSataDisk(ahci, "HALDEN HD2T-7200", "HN02", 0, 0);
  rig.AttachDrives();
  auto m = Scan(rig);
  ASSERT_EQ(m->GetCount(), 2);
  EXPECT_EQ(TrimText(Str(m->GetItem(0)->ModelText), IsSpace, TrimEnds::kRight), "HALDEN HD2T-7200");
  EXPECT_EQ(Str(m->GetItem(1)->ModelText), "");
  const std::vector<UnreachedDisk> unreached = m->UnreachedDisks();
  ASSERT_EQ(unreached.size(), 1u);
  EXPECT_EQ(unreached[0].DiskNumber, 0u);
  EXPECT_EQ(unreached[0].WmiModel, "VORTANIX QRX-480T9A");
  EXPECT_EQ(unreached[0].FriendlyName, "VORTANIX QRX-480T9A SCSI Disk Device");
  EXPECT_EQ(unreached[0].ControllerDriver, "iaStorAC");
}

TEST(DriveManager, WithoutRightsNothingIsListed) {
  CommandRig rig;
  sim::BuildIntelAhciDesktop(rig.machine);
  rig.AttachDrives();
  rig.machine.SetAdministrator(false);
  auto m = Scan(rig);
  EXPECT_EQ(m->GetCount(), 0);
  EXPECT_EQ(m->GetLastError(), 5u);
  EXPECT_EQ(m->GetItem(0), nullptr);
  EXPECT_EQ(m->IdentifyAttempts, 0);
}

TEST(DriveManager, NoDisksAtAll) {
  CommandRig rig;
  auto m = Scan(rig);
  EXPECT_EQ(m->GetCount(), 0);
  EXPECT_EQ(m->GetLastError(), 0u);
  EXPECT_FALSE(m->Select(0));
}

TEST(DriveManager, ReleaseLeavesNoHandleOpen) {
  CommandRig rig;
  sim::BuildIntelAhciDesktop(rig.machine);
  rig.AttachDrives();
  const std::size_t before = rig.api.OpenHandleCount();
  {
    auto m = Scan(rig);
    ASSERT_TRUE(m->Select(0));
  }
  EXPECT_EQ(rig.api.OpenHandleCount(), before);
  // The enumeration is let go with the manager: its libraries and its trace's last line.
  EXPECT_EQ(rig.setup.OpenHandleCount(), 0u);
  EXPECT_FALSE(rig.portIo.IsLoaded());
  EXPECT_FALSE(rig.physical.IsLoaded());
  const auto trace = rig.machine.files.GetText("C:\\DEBUG.TXT");
  ASSERT_TRUE(trace.has_value());
  EXPECT_TRUE(trace->ends_with("Deconstructor ok \r\n")) << *trace;
}

}  // namespace
}  // namespace qz
