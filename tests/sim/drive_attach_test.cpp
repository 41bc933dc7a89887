// A drive put behind a disk of the device tree: storage queries still reach the disk's own
// driver, pass-through requests reach the drive, and the disk's security still holds.
#include <gtest/gtest.h>

#include <array>
#include <memory>

#include "sim/devices/ata_drive_link.hpp"
#include "sim/catalogue/disk_machines.hpp"
#include "sim/devices/drive_attach.hpp"
#include "sim/os/sim_win32.hpp"
#include "tests/transport/scripted_drive.hpp"

namespace qz::sim {
namespace {

struct Attached {
  Attached() {
    BuildIntelAhciDesktop(machine);
    for (auto& disk : machine.deviceTree.disks) {
      drives.push_back(std::make_shared<test::ScriptedDrive>(disk.description.model,
                                                             disk.description.firmware));
      ports.push_back(AttachDrive(machine, disk, drives.back(), PortDriver::StandardSata()));
    }
  }
  std::string Path(std::size_t disk) const {
    return machine.deviceTree.interfaces[static_cast<std::size_t>(machine.deviceTree.disks[disk].interface)].path;
  }
  Machine machine;
  std::vector<std::shared_ptr<test::ScriptedDrive>> drives;
  std::vector<std::shared_ptr<PassThroughDisk>> ports;
};

TEST(DriveAttach, QueriesGoBelowCommandsGoToTheDrive) {
  Attached a;
  SimWin32 api(a.machine, Bitness::X86);
  const Handle h = api.CreateFile(a.Path(1), access::kGenericRead | access::kGenericWrite,
                                  share::kRead | share::kWrite, disposition::kOpenExisting, 0);
  ASSERT_NE(h, kInvalidHandle);
  std::array<std::uint8_t, 8> address{};
  std::uint32_t returned = 0;
  ASSERT_TRUE(api.DeviceIoControl(h, 0x41018, address, address, returned));
  EXPECT_EQ(address[4], 2);  // port
  EXPECT_EQ(address[5], 2);  // path of the second disk
  EXPECT_EQ(a.ports[1]->pathId, 2);

  std::array<std::uint8_t, 524> ide{};
  ide[1] = 1;
  ide[6] = 0xEC;
  ide[9] = 2;  // 512 bytes
  ASSERT_TRUE(api.DeviceIoControl(h, 0x4D028, ide, ide, returned));
  EXPECT_EQ(returned, 524u);
  EXPECT_EQ(a.drives[1]->seen.size(), 1u);
  EXPECT_TRUE(a.drives[0]->seen.empty());
  EXPECT_EQ(ide[12 + 55], 'H');  // "HALDEN", first character in the high byte of word 27
  EXPECT_EQ(ide[12 + 54], 'A');
  api.CloseHandle(h);
}

TEST(DriveAttach, OnlyAdministratorsOpenTheDisk) {
  Attached a;
  a.machine.SetAdministrator(false);
  SimWin32 api(a.machine, Bitness::X86);
  EXPECT_EQ(api.CreateFile(a.Path(0), access::kGenericRead | access::kGenericWrite,
                           share::kRead | share::kWrite, disposition::kOpenExisting, 0),
            kInvalidHandle);
  EXPECT_EQ(api.GetLastError(), err::kAccessDenied);
}

TEST(DriveAttach, TheFlashersSimulatedDriveAnswersThroughTheStack) {
  Machine machine;
  BuildIntelAhciDesktop(machine);
  auto drive = std::make_shared<AtaDrive>(
      AtaDrive::Identity{"VORTANIX QRX-480T9A", "QX0001A7700312", "VRD5", "VRD5-2"});
  AttachDrive(machine, machine.deviceTree.disks[0], std::make_shared<AtaDriveLink>(drive),
              PortDriver::StandardSata());
  SimWin32 api(machine, Bitness::X86);
  const std::string path =
      machine.deviceTree.interfaces[static_cast<std::size_t>(machine.deviceTree.disks[0].interface)].path;
  const Handle h = api.CreateFile(path, access::kGenericRead | access::kGenericWrite,
                                  share::kRead | share::kWrite, disposition::kOpenExisting, 0);
  ASSERT_NE(h, kInvalidHandle);
  // ATA_PASS_THROUGH_EX: IDENTIFY, data in, 512 bytes at offset 44, 3 seconds.
  std::array<std::uint8_t, 556> request{};
  request[0] = 40;
  request[2] = 3;
  request[9] = 2;
  request[12] = 3;
  request[20] = 44;
  request[33] = 1;
  request[38] = 0xEC;
  std::uint32_t returned = 0;
  ASSERT_TRUE(api.DeviceIoControl(h, 0x4D02C, request, request, returned));
  EXPECT_EQ(returned, 556u);
  EXPECT_EQ(request[44 + 47], 'V');  // revision "VRD5": word 23, first character high
  EXPECT_EQ(request[44 + 46], 'R');
  EXPECT_EQ(drive->CountCommands(0xEC), 1u);
  EXPECT_EQ(drive->Log().at(0).timeoutSeconds, 3u);
  api.CloseHandle(h);
}

}  // namespace
}  // namespace qz::sim
