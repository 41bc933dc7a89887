// A drive put behind a disk of the device tree: storage queries still reach the disk's own
// driver, pass-through requests reach the drive, and the disk's security still holds.
#include <gtest/gtest.h>

#include <array>
#include <memory>

#include "sim/disk_machines.hpp"
#include "sim/drive_attach.hpp"
#include "sim/sim_win32.hpp"
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

}  // namespace
}  // namespace qz::sim
