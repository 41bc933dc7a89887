// Staging by the updater, a restart, the flasher from BootExecute, another restart: the two
// programs meet only through the files and the registry of the simulated machine.
#include <gtest/gtest.h>

#include "sim/machine/boot.hpp"
#include "sim/os/sim_win32.hpp"
#include "staging/stage_boot_update.hpp"
#include "tests/bootflash/flasher_fixture.hpp"
#include "transport/system_info.hpp"

namespace qz::bootflash::testing {
namespace {

struct Release {
  sim::Windows windows;
  const char* name;
};
void PrintTo(const Release& r, std::ostream* out) { *out << sim::WindowsName(r.windows); }

class EndToEnd : public ::testing::TestWithParam<Release> {
 protected:
  EndToEnd() : machine(GetParam().windows) {
    machine.files.Put(machine.windowsDirectory + "\\bootstat.dat", std::vector<std::uint8_t>(2048, 0));
    // The ten package entries: 32-bit builds in the x86 entries (and in the XP x64 entry),
    // 64-bit builds in the others.
    for (std::size_t i = 0; i < images.size(); ++i) {
      const bool x64 = i % 2 == 1 && i != flasher_entry::kXpX64;
      images[i] = MakeFlasherStandIn(x64 ? sim::CallerBits::X64 : sim::CallerBits::X86);
      table[i] = {images[i].data(), static_cast<std::uint32_t>(images[i].size())};
    }
  }

  // What the update command does before offering the restart (the copy helper's move from
  // SysWOW64 on 64-bit Windows included); `driveRevision` is the drive's 8 revision bytes as
  // IDENTIFY gave them.
  void StageUpdate(const std::vector<std::uint8_t>& image, const std::string& driveRevision) {
    sim::SimWin32 updater(machine, sim::Bitness::X86);
    SystemInfo system(updater);
    const std::string dir = updater.Redirect(machine.SystemDirectory());
    machine.files.Put(dir + "\\FW.bin", EncipherForFlasher(image));
    const BootUpdateRequest request{&table, "Ombrel.exe", false, "VRDC", "VRDC-4", Model24(kModel), "FW.bin",
                                    driveRevision};
    ASSERT_EQ(StageBootUpdate(updater, system, request), stage_result::kStaged);
    if (machine.Is64Bit()) {
      for (const char* file : {"\\Ombrel.exe", "\\FW.bin"}) {
        machine.files.Put(machine.SystemDirectory() + file, *machine.files.Get(dir + file));
      }
    }
  }

  sim::Machine machine;
  std::array<std::vector<std::uint8_t>, 10> images;
  FlasherImageTable table;
};

TEST_P(EndToEnd, TheDriveRunsTheNewFirmwareAfterTwoRestarts) {
  machine.registry.SetMultiString(hkey::kLocalMachine, kSessionManager, "BootExecute",
                                  {"autocheck autochk /k:D *"});
  auto drive = std::make_shared<sim::AtaDrive>(
      sim::AtaDrive::Identity{kModel, "SN1", "VRDB", "VRDB-2"});
  auto other = std::make_shared<sim::AtaDrive>(
      sim::AtaDrive::Identity{"VORTANIX QRX-240T9A", "SN2", "VRDB", "VRDB-2"});
  machine.physicalDrives = {other, drive};
  StageUpdate(sim::MakeSampleFirmware({}), "VRDB    ");

  const auto first = sim::RebootMachine(machine, RunFlasherImage);
  ASSERT_EQ(first.size(), 2u);
  EXPECT_EQ(first[1].entry, "Ombrel FW.bin");
  EXPECT_EQ(first[1].status, 0);
  EXPECT_NE(first[1].console.find("PASS !\n\nStart to REBOOT ...\n"), std::string::npos)
      << first[1].console;
  EXPECT_EQ(machine.restarts.size(), 1u);

  const auto second = sim::RebootMachine(machine, RunFlasherImage);
  EXPECT_EQ(drive->Revision(), "VRDC");
  EXPECT_EQ(drive->Extension(), "VRDC-4");
  EXPECT_EQ(other->Revision(), "VRDB");
  ASSERT_EQ(second.size(), 1u);
  EXPECT_EQ(second[0].entry, "autocheck autochk /k:D *");

  // Staged again for a drive that already runs it: nothing is flashed, nothing restarts.
  StageUpdate(sim::MakeSampleFirmware({}), "VRDC    ");
  const auto third = sim::RebootMachine(machine, RunFlasherImage);
  ASSERT_EQ(third.size(), 2u);
  EXPECT_NE(third[1].console.find("    THE SAME !\n"), std::string::npos) << third[1].console;
  EXPECT_EQ(machine.restarts.size(), 1u);
}

// Eight disks, the staged one last, a twin of its model at another revision before it: the
// updater records the staged drive's revision, the flasher leaves the twin alone.
TEST_P(EndToEnd, OnAnEightDiskMachineOnlyTheStagedDriveChanges) {
  std::vector<std::shared_ptr<sim::AtaDrive>> drives;
  for (int n = 0; n < 6; ++n) {
    drives.push_back(std::make_shared<sim::AtaDrive>(sim::AtaDrive::Identity{
        "VORTANIX QRX-" + std::to_string(120 * (n + 1)) + "T9B", "SN" + std::to_string(n), "VRDB",
        "VRDB-2"}));
  }
  auto twin = std::make_shared<sim::AtaDrive>(
      sim::AtaDrive::Identity{kModel, "SN6", "VRDA", "VRDA-1"});
  auto staged = std::make_shared<sim::AtaDrive>(
      sim::AtaDrive::Identity{kModel, "SN7", "VRDB", "VRDB-2"});
  drives.push_back(twin);
  drives.push_back(staged);
  machine.physicalDrives.assign(drives.begin(), drives.end());
  StageUpdate(sim::MakeSampleFirmware({}), "VRDB    ");

  const auto first = sim::RebootMachine(machine, RunFlasherImage);
  ASSERT_EQ(first.size(), 2u);
  EXPECT_NE(first[1].console.find("CURRENT FW: VRDA     UPDATE TO  VRDC    \n"
                                  "    LEFT ALONE: NOT THE DRIVE THAT WAS STAGED !\n"),
            std::string::npos)
      << first[1].console;
  sim::RebootMachine(machine, RunFlasherImage);
  EXPECT_EQ(staged->Revision(), "VRDC");
  EXPECT_EQ(twin->Revision(), "VRDA");
  EXPECT_EQ(twin->CountCommands(0x92), 0u);
  for (int n = 0; n < 6; ++n) EXPECT_EQ(drives[n]->CountCommands(0x92), 0u) << n;

  // The transcript the updater will find in the (64-bit) system directory.
  const auto log = machine.files.Get(machine.SystemDirectory() + "\\Ombrel.log");
  ASSERT_TRUE(log.has_value());
  const std::string text(log->begin(), log->end());
  EXPECT_NE(text.find("DRIVE|06|" + Model24(kModel) + "|VRDA    |VRDC    |--------|LEFT ALONE\r\n"
                      "DRIVE|07|" + Model24(kModel) + "|VRDB    |VRDC    |--------|PASS\r\nEND\r\n"),
            std::string::npos)
      << text;
}

// The revision bytes go from IDENTIFY through the staged block to the flasher's comparison
// unchanged: a drive that pads its revision with NUL bytes is the staged drive, not a twin.
TEST_P(EndToEnd, TheStagedDriveIsFlashedWhateverPadsItsRevision) {
  const struct {
    const char* name;
    std::string revision;  // as IDENTIFY gives it, and as the update command records it
  } cases[] = {
      {"blanks", "VRD5    "},
      {"NUL bytes", std::string("VRD5\0\0\0\0", 8)},
      {"NUL bytes inside", std::string("VRD5\0 \0 ", 8)},
  };
  for (const auto& c : cases) {
    machine.restarts.clear();
    auto drive = std::make_shared<sim::AtaDrive>(sim::AtaDrive::Identity{kModel, "SN1", c.revision, "VRD5-1"});
    auto twin = std::make_shared<sim::AtaDrive>(sim::AtaDrive::Identity{kModel, "SN2", "VRD5    ", "VRD5-1"});
    machine.physicalDrives = {drive};
    if (c.revision != "VRD5    ") machine.physicalDrives.push_back(twin);
    StageUpdate(sim::MakeSampleFirmware({}), c.revision);

    const auto first = sim::RebootMachine(machine, RunFlasherImage);
    ASSERT_EQ(first.size(), 2u) << c.name;
    // Only the twin, where there is one, is left alone.
    EXPECT_EQ(first[1].console.find("LEFT ALONE") != std::string::npos, machine.physicalDrives.size() == 2)
        << c.name << first[1].console;
    EXPECT_NE(first[1].console.find("PASS !\n"), std::string::npos) << c.name << first[1].console;
    EXPECT_EQ(machine.restarts.size(), 1u) << c.name;
    sim::RebootMachine(machine, RunFlasherImage);
    EXPECT_EQ(drive->Revision(), "VRDC") << c.name;
    // A twin whose revision differs only in its padding is another revision.
    EXPECT_EQ(twin->CountCommands(0x92), 0u) << c.name;
  }
}

INSTANTIATE_TEST_SUITE_P(Releases, EndToEnd,
                         ::testing::Values(Release{sim::Windows::XpPro, "Xp"},
                                           Release{sim::Windows::Server2003X64, "Server2003X64"},
                                           Release{sim::Windows::VistaX86, "VistaX86"},
                                           Release{sim::Windows::Win7X64, "Win7X64"}),
                         [](const auto& param) { return std::string(param.param.name); });

}  // namespace
}  // namespace qz::bootflash::testing
