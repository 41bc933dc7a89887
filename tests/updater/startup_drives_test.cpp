// Start-up with the real drive manager on simulated machines: the whole discovery and
// identification run at step 8, and the rights check of step 9 reads what the scan found.
#include <gtest/gtest.h>

#include <memory>

#include "sim/catalogue/disk_machines.hpp"
#include "sim/os/drive_apis.hpp"
#include "sim/devices/drive_attach.hpp"
#include "tests/transport/scripted_drive.hpp"
#include "tests/updater/startup_fixture.hpp"
#include "updater/drive_manager_link.hpp"

namespace qz {
namespace {

// The drive-facing interfaces of the updater's process.
struct RealDrives : sim::DriveApis {
  explicit RealDrives(test::StartupRun& run) : sim::DriveApis(run.machine, run.api) {}
};

void AttachDrives(sim::Machine& machine, std::vector<std::shared_ptr<test::ScriptedDrive>>& drives) {
  for (auto& disk : machine.deviceTree.disks) {
    drives.push_back(std::make_shared<test::ScriptedDrive>(disk.description.model, disk.description.firmware));
    sim::AttachDrive(machine, disk, drives.back(), sim::PortDriver::StandardSata());
  }
}

TEST(StartupWithDrives, PassesTheDriveManagerAndIdentifiesTheDisks) {
  test::StartupRun run;
  sim::BuildIntelAhciDesktop(run.machine);
  std::vector<std::shared_ptr<test::ScriptedDrive>> drives;
  AttachDrives(run.machine, drives);
  RealDrives real(run);
  MainWindowHooks hooks;
  hooks.createDriveManager = MakeDriveManagerFactory(real.system);
  int listBuilds = 0;
  DriveManagerApi* seen = nullptr;
  hooks.buildDriveList = [&](TQuenzarMain& w) {
    ++listBuilds;
    seen = w.Drives.get();
  };
  auto window = std::make_unique<TQuenzarMain>(run.ui, run.api, PackageBlock(run.block), hooks,
                                               std::vector<std::string>{});
  EXPECT_NE(window->End, StartupEnd::DeviceInitFailed);
  EXPECT_NE(window->End, StartupEnd::AccessDenied);
  EXPECT_EQ(listBuilds, 1);
  ASSERT_NE(seen, nullptr);
  ASSERT_EQ(seen->GetCount(), 2);
  EXPECT_EQ(std::string(seen->GetItem(0)->ModelText.data()), "VORTANIX QRX-480T9A     ");
  EXPECT_EQ(drives[0]->seen.size(), 1u);
  EXPECT_EQ(drives[1]->seen.size(), 1u);
}

TEST(StartupWithDrives, WithoutRightsEndsAtTheRightsCheck) {
  test::StartupRun run;
  sim::BuildIntelAhciDesktop(run.machine);
  std::vector<std::shared_ptr<test::ScriptedDrive>> drives;
  AttachDrives(run.machine, drives);
  run.machine.SetAdministrator(false);
  RealDrives real(run);
  MainWindowHooks hooks;
  hooks.createDriveManager = MakeDriveManagerFactory(real.system);
  auto window = std::make_unique<TQuenzarMain>(run.ui, run.api, PackageBlock(run.block), hooks,
                                               std::vector<std::string>{});
  EXPECT_EQ(window->End, StartupEnd::AccessDenied);
  EXPECT_TRUE(drives[0]->seen.empty());
}

}  // namespace
}  // namespace qz
