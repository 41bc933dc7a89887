// The command device on simulated machines: construction runs the enumeration and loads the
// libraries, selection opens the drive and chooses its transport, commands reach the drive.
#include <gtest/gtest.h>

#include <string>

#include "platform/text.hpp"
#include "tests/transport/command_rig.hpp"
#include "transport/pass_through_codes.hpp"

namespace qz {
namespace {

using test::CommandRig;

std::string ModelOf(Bytes block) {
  std::string model;
  for (std::size_t i = 54; i < 94; i += 2) {
    model += static_cast<char>(block[i + 1]);
    model += static_cast<char>(block[i]);
  }
  return TrimText(model, IsSpace, TrimEnds::kRight);
}

TEST(AtaCommandDevice, ConstructionEnumeratesAndLoadsTheLibraries) {
  CommandRig rig;
  sim::BuildIntelAhciDesktop(rig.machine);
  rig.AttachDrives();
  AtaCommandDevice device(rig.System(), rig.Disks());
  EXPECT_EQ(device.GetDeviceCount(), 2);
  EXPECT_EQ(device.CurrentIndex, -1);
  EXPECT_EQ(device.Kind(), TransportKind::AtaPassThrough);
  EXPECT_FLOAT_EQ(device.CommandTimeout, 20.0f);
  EXPECT_EQ(device.DeviceHandle, kInvalidHandle);
  EXPECT_EQ(device.DriveSelect(), 0xA0);
  EXPECT_EQ(device.PortIoLoader->Loaded, 1);
  EXPECT_EQ(device.PhysicalLoader->Loaded, 1);
  EXPECT_EQ(device.GetDataBuffer().size(), 0x40000u);
  EXPECT_EQ(device.GetDeviceEntry(2), nullptr);
  EXPECT_EQ(device.GetDeviceEntry(-1), nullptr);  // nothing selected yet
  EXPECT_EQ(device.GetBusType(5), 0);
}

TEST(AtaCommandDevice, ReachesOnlyTheDisksItIsHanded) {
  CommandRig rig;
  sim::BuildIntelAhciDesktop(rig.machine);
  rig.AttachDrives();
  const DiskList all = rig.Disks();
  ASSERT_EQ(all.size(), 2u);
  AtaCommandDevice device(rig.System(), all.last(1));
  EXPECT_EQ(device.GetDeviceCount(), 1);
  EXPECT_EQ(device.GetDeviceEntry(0), &all[1]);
  EXPECT_EQ(device.GetDeviceEntry(1), nullptr);
  EXPECT_FALSE(device.SelectDrive(1));
  ASSERT_TRUE(device.SelectDrive(0));
  EXPECT_EQ(device.Identify(), 0);
  EXPECT_EQ(ModelOf(device.GetDataBuffer()), rig.machine.deviceTree.disks[1].description.model);
  EXPECT_TRUE(rig.drives[0]->seen.empty());

  AtaCommandDevice none(rig.System(), DiskList{});
  EXPECT_EQ(none.GetDeviceCount(), 0);
  EXPECT_FALSE(none.SelectDrive(0));
}

TEST(AtaCommandDevice, ReleaseClosesTheDriveAndFreesTheLibraries) {
  CommandRig rig;
  sim::BuildIntelAhciDesktop(rig.machine);
  rig.AttachDrives();
  const std::size_t before = rig.api.OpenHandleCount();
  {
    AtaCommandDevice device(rig.System(), rig.Disks());
    ASSERT_TRUE(device.SelectDrive(0));
    EXPECT_GT(rig.api.OpenHandleCount(), before);
  }
  EXPECT_EQ(rig.api.OpenHandleCount(), before);
  EXPECT_FALSE(rig.physical.IsLoaded());
  EXPECT_FALSE(rig.portIo.IsLoaded());
}

TEST(AtaCommandDevice, IdentifyReachesTheSelectedDrive) {
  CommandRig rig;
  sim::BuildIntelAhciDesktop(rig.machine);
  rig.AttachDrives();
  AtaCommandDevice device(rig.System(), rig.Disks());
  for (int i = 0; i < 2; ++i) {
    ASSERT_TRUE(device.SelectDrive(i));
    EXPECT_EQ(device.Kind(), TransportKind::AtaPassThrough);
    EXPECT_EQ(device.Identify(), 0);
    EXPECT_EQ(ModelOf(device.GetDataBuffer()),
              rig.machine.deviceTree.disks[static_cast<std::size_t>(i)].description.model);
  }
  // IDENTIFY sends count 1 and device 0 whatever the drive select is.
  for (const auto& drive : rig.drives) {
    ASSERT_EQ(drive->seen.size(), 1u);
    EXPECT_EQ(drive->seen[0].registers[1], 1);
    EXPECT_EQ(drive->seen[0].registers[5], 0);
    EXPECT_EQ(drive->seen[0].registers[6], 0xEC);
  }
}

TEST(AtaCommandDevice, SelectOutsideTheListKeepsTheSelection) {
  CommandRig rig;
  sim::BuildIntelAhciDesktop(rig.machine);
  rig.AttachDrives();
  AtaCommandDevice device(rig.System(), rig.Disks());
  ASSERT_TRUE(device.SelectDrive(1));
  const Handle h = device.DeviceHandle;
  EXPECT_FALSE(device.SelectDrive(2));
  EXPECT_FALSE(device.SelectDrive(-1));
  EXPECT_EQ(device.CurrentIndex, 1);
  EXPECT_EQ(device.DeviceHandle, h);
}

TEST(AtaCommandDevice, KindsWithoutTransportAnswerNotSupported) {
  CommandRig rig;
  sim::BuildIntelAhciDesktop(rig.machine);
  rig.AttachDrives();
  AtaCommandDevice device(rig.System(), rig.Disks());
  ASSERT_TRUE(device.SelectDrive(0));
  const std::size_t requests = rig.ports[0]->Requests().size();
  // The SiI3124 way needs its controller; the port-I/O way is a real transport (tested on its
  // own). Numbers beyond the known kinds name no transport at all.
  for (int k : {0, 6, 7, 200}) {
    const auto kind = static_cast<TransportKind>(k);
    device.UseTransport(kind);
    EXPECT_EQ(device.Identify(), command_result::kNotSupported) << k;
  }
  EXPECT_TRUE(rig.drives[0]->seen.empty());
  EXPECT_EQ(rig.ports[0]->Requests().size(), requests);
}

TEST(AtaCommandDevice, DirectModeOfAnIntelControllerFollowsItsAhciSwitch) {
  CommandRig rig;
  sim::BuildIntelAhciDesktop(rig.machine);
  rig.AttachDrives();
  AtaCommandDevice device(rig.System(), rig.Disks());
  const DiskRegData* e = device.GetDeviceEntry(0);
  ASSERT_NE(e, nullptr);
  ASSERT_TRUE(e->HasIo);
  ASSERT_TRUE(e->HasMem);
  // The controller's register window, its global control register reading "not AHCI".
  rig.machine.physicalMemory.AddRam(e->MemRanges[0].Base, e->MemRanges[0].Length);
  ASSERT_TRUE(device.SelectDrive(0));
  // The legacy ports serve.
  EXPECT_EQ(device.DirectMode(), TransportKind::PortIo);
  EXPECT_EQ(device.IoBase(), e->CmdBase);
  EXPECT_EQ(device.DriveSelect(), 0xA0);
  EXPECT_FALSE(device.IsAhciEnabled(0));

  // Switched to AHCI, the ports are gone and the memory window serves nothing we drive.
  rig.machine.physicalMemory.Write(e->MemRanges[0].Base + 4, 4, 0x80000000u);
  EXPECT_TRUE(device.IsAhciEnabled(0));
  ASSERT_TRUE(device.SelectDrive(0));
  EXPECT_EQ(device.DirectMode(), TransportKind::Sil3124);
  EXPECT_EQ(device.MemBase(), e->MemRanges[0].Base);
  EXPECT_EQ(device.PortRegBase(), e->MemRanges[0].Base + 0x100);
}

TEST(AtaCommandDevice, WithoutThePhysicalLibraryNoAhciTest) {
  CommandRig rig;
  sim::BuildIntelAhciDesktop(rig.machine);
  rig.AttachDrives();
  rig.machine.files.FailCreate(rig.machine.SystemDirectory() + "\\tessel.dll");
  AtaCommandDevice device(rig.System(), rig.Disks());
  ASSERT_EQ(device.PhysicalLoader->Loaded, 0);
  ASSERT_TRUE(device.SelectDrive(0));
  EXPECT_FALSE(device.IsAhciEnabled(0));
  EXPECT_EQ(device.DirectMode(), TransportKind::PortIo);
  device.UseTransport(TransportKind::Sil3124);
  EXPECT_EQ(device.Identify(), command_result::kNotSupported);
}

TEST(AtaCommandDevice, Sil3124PortWindowFromTheWmiBusNumber) {
  CommandRig rig;
  sim::BuildSil3124Machine(rig.machine);
  rig.AttachDrives(sim::PortDriver::SiliconImage(2, 2));
  AtaCommandDevice device(rig.System(), rig.Disks());
  bool seen = false;
  for (int i = 0; i < device.GetDeviceCount(); ++i) {
    const DiskRegData* e = device.GetDeviceEntry(i);
    if (e->VendorId != 0x1095) continue;
    ASSERT_TRUE(device.SelectDrive(i));
    ASSERT_NE(e->WmiInfo, nullptr);
    EXPECT_EQ(device.DirectMode(), TransportKind::Sil3124);
    EXPECT_EQ(device.MemBase(), e->MemRanges[0].Base);
    EXPECT_EQ(device.PortRegBase(),
              e->MemRanges[1].Base + static_cast<std::uint32_t>(e->WmiInfo->SCSIBus) * 0x2000u);
    EXPECT_EQ(device.Kind(), TransportKind::Miniport);  // miniport 2.2
    EXPECT_EQ(device.Identify(), 0);
    EXPECT_EQ(ModelOf(device.GetDataBuffer()), std::string(e->WmiInfo->Model.data()));
    seen = true;
  }
  EXPECT_TRUE(seen);
}

TEST(AtaCommandDevice, TransportChoiceFollowsTheWindowsRelease) {
  struct Row {
    sim::Windows release;
    int servicePack;
    TransportKind kind;
  };
  constexpr TransportKind kAta = TransportKind::AtaPassThrough;
  constexpr TransportKind kIde = TransportKind::IdePassThrough;
  for (const Row& row : {Row{sim::Windows::XpPro, 1, kIde}, Row{sim::Windows::XpPro, 2, kAta},
                         Row{sim::Windows::XpPro, 3, kAta}, Row{sim::Windows::Win2000, 4, kIde},
                         Row{sim::Windows::VistaX86, 2, kAta}, Row{sim::Windows::Win7X86, 1, kAta},
                         Row{sim::Windows::Win8X86, 0, kAta}, Row{sim::Windows::Win81X86, 0, kAta},
                         Row{sim::Windows::Win10X86, 0, kAta}, Row{sim::Windows::Win10X64, 0, kAta},
                         Row{sim::Windows::Win11X64, 0, kAta}}) {
    CommandRig rig(row.release);
    if (row.servicePack > 0) {
      rig.machine.version.servicePackMajor = static_cast<std::uint16_t>(row.servicePack);
      rig.machine.version.csdVersion = "Service Pack " + std::to_string(row.servicePack);
    }
    sim::BuildIntelAhciDesktop(rig.machine);
    rig.AttachDrives();
    AtaCommandDevice device(rig.System(), rig.Disks());
    ASSERT_TRUE(device.SelectDrive(0)) << row.servicePack;
    EXPECT_EQ(device.Kind(), row.kind) << int(row.release) << " SP" << row.servicePack;
    // Whatever was chosen works against that release's storage stack.
    EXPECT_EQ(device.Identify(), 0) << int(row.release) << " SP" << row.servicePack;
  }
}

TEST(AtaCommandDevice, UnknownWindowsGetsIdePassThrough) {
  CommandRig rig;
  rig.machine.version.majorVersion = 11;  // a Windows not classified yet
  rig.machine.version.minorVersion = 0;
  sim::BuildIntelAhciDesktop(rig.machine);
  rig.AttachDrives();
  AtaCommandDevice device(rig.System(), rig.Disks());
  ASSERT_TRUE(device.SelectDrive(0));
  EXPECT_EQ(device.Kind(), TransportKind::IdePassThrough);
}

TEST(AtaCommandDevice, UsbAndScsiBusTypesUseTheVendorBlock) {
  CommandRig rig;
  sim::AddUsbDisk(rig.machine, 0, 'E');
  rig.AttachDrives(sim::PortDriver::UsbBridge());
  AtaCommandDevice device(rig.System(), rig.Disks());
  ASSERT_EQ(device.GetDeviceCount(), 1);
  ASSERT_TRUE(device.SelectDrive(0));
  EXPECT_EQ(device.GetBusType(0), 7);
  EXPECT_EQ(device.Kind(), TransportKind::ScsiPassThrough);
  EXPECT_EQ(device.Identify(), 0);
  EXPECT_EQ(device.OutputTaskFile, (TaskFile{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
}

TEST(AtaCommandDevice, SiliconImageOlderThanTwoPointTwoKeepsTheBusTypesKind) {
  CommandRig rig;
  sim::BuildSil3124Machine(rig.machine);
  rig.AttachDrives(sim::PortDriver::SiliconImage(2, 1));
  AtaCommandDevice device(rig.System(), rig.Disks());
  for (int i = 0; i < device.GetDeviceCount(); ++i) {
    if (device.GetDeviceEntry(i)->VendorId != 0x1095) continue;
    ASSERT_TRUE(device.SelectDrive(i));
    EXPECT_NEAR(device.GetCmdIdeVersion(), 2.1f, 1e-6);
    EXPECT_EQ(device.Kind(), TransportKind::ScsiPassThrough);  // SCSI bus type
  }
}

TEST(AtaCommandDevice, ErrorsAreMapped) {
  CommandRig rig;
  sim::BuildIntelAhciDesktop(rig.machine);
  rig.AttachDrives();
  AtaCommandDevice device(rig.System(), rig.Disks());
  ASSERT_TRUE(device.SelectDrive(0));
  rig.drives[0]->outcomes = {sim::AtaLinkReply::Kind::Timeout, sim::AtaLinkReply::Kind::IoError};
  EXPECT_EQ(device.Identify(), command_result::kTimeout);
  EXPECT_EQ(device.LastSystemError, 121u);
  EXPECT_EQ(device.Identify(), command_result::kFailure);
  EXPECT_EQ(device.LastSystemError, 1117u);
  rig.drives[0]->rejectCommands = true;
  EXPECT_EQ(device.Identify(), command_result::kDriveError);
  EXPECT_EQ(device.OutputTaskFile.Command, 0x51);
}

TEST(AtaCommandDevice, InvalidHandleIsReopenedBeforeTheRequest) {
  CommandRig rig;
  sim::BuildIntelAhciDesktop(rig.machine);
  rig.AttachDrives();
  AtaCommandDevice device(rig.System(), rig.Disks());
  ASSERT_TRUE(device.SelectDrive(1));
  rig.api.CloseHandle(device.DeviceHandle);
  device.DeviceHandle = kInvalidHandle;
  EXPECT_EQ(device.Identify(), 0);
  EXPECT_NE(device.DeviceHandle, kInvalidHandle);
  EXPECT_EQ(rig.drives[1]->seen.size(), 1u);
}

TEST(AtaCommandDevice, WithoutRightsTheOpenFailsAndCommandsFail) {
  CommandRig rig;
  sim::BuildIntelAhciDesktop(rig.machine);
  rig.AttachDrives();
  rig.machine.SetAdministrator(false);
  AtaCommandDevice device(rig.System(), rig.Disks());
  ASSERT_EQ(device.GetDeviceCount(), 2);
  EXPECT_FALSE(device.SelectDrive(0));
  EXPECT_EQ(device.CurrentIndex, 0);
  EXPECT_EQ(device.DeviceHandle, kInvalidHandle);
  EXPECT_EQ(device.Identify(), command_result::kFailure);  // invalid handle after one reopen
  EXPECT_EQ(device.LastSystemError, err::kInvalidHandle);
  EXPECT_TRUE(rig.drives[0]->seen.empty());
}

}  // namespace
}  // namespace qz
