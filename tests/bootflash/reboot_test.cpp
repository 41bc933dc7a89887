// The updater and the flasher meet only through files and the registry: a staged machine is
// restarted, the Session Manager runs the flasher from BootExecute, and the drives take their
// new firmware at the power cycle after. Then a matrix of drive faults during the run.
#include <gtest/gtest.h>

#include <set>
#include <tuple>

#include "sim/machine/boot.hpp"
#include "tests/bootflash/flasher_fixture.hpp"

namespace qz::bootflash::testing {
namespace {

class RebootTest : public FlasherFixture {
 protected:
  // Writes Ombrel.exe as staging does: the build's image with its block patched by key search.
  void StageFlasher(sim::CallerBits imageBits) {
    auto image = MakeFlasherStandIn(imageBits);
    const ImageField fields[] = {{"UPDATEBOOT=", "0"},
                                 {"_____FW=", "VRDC"},
                                 {"_FW_EXT=", "VRDC-4"},
                                 {"DRIVECOUNT=", "0001"},
                                 {"VENDID1=", "VORTANIX QRX-480T9A     "}};
    ASSERT_EQ(PatchImageFields(image.data(), image.size(), fields, 5, nullptr),
              PatchResult::kWritten);
    machine.files.Put(machine.SystemDirectory() + "\\Ombrel.exe", image);
  }
  std::vector<sim::BootRun> Reboot() { return sim::RebootMachine(machine, RunFlasherImage); }
};

TEST_F(RebootTest, TheStagedFlasherRunsOnceAndTheDriveChangesAtTheNextStart) {
  StageFlasher(sim::CallerBits::X64);
  auto drive = AddDrive();
  auto first = Reboot();
  ASSERT_EQ(first.size(), 2u);
  EXPECT_EQ(first[0].entry, "autocheck autochk *");
  EXPECT_EQ(first[1].entry, "Ombrel FW.bin");
  EXPECT_NE(first[1].console.find("PASS !\n\nStart to REBOOT ...\n"), std::string::npos);
  EXPECT_EQ(machine.restarts.size(), 1u);
  EXPECT_EQ(drive->Revision(), "VRDB");  // until the power cycle
  EXPECT_TRUE(FwBinMarked());
  EXPECT_EQ(BootStatusByte(), 1);

  auto second = Reboot();
  EXPECT_EQ(drive->Revision(), "VRDC");
  EXPECT_EQ(drive->Extension(), "VRDC-4");
  ASSERT_EQ(second.size(), 1u);  // BootExecute no longer names the flasher
  EXPECT_EQ(second[0].entry, "autocheck autochk *");
  EXPECT_EQ(machine.restarts.size(), 1u);
}

TEST_F(RebootTest, ABuildForTheOtherProcessorDoesNotStart) {
  StageFlasher(sim::CallerBits::X86);  // a 32-bit native program on 64-bit Windows
  auto drive = AddDrive();
  auto runs = Reboot();
  ASSERT_EQ(runs.size(), 2u);
  EXPECT_EQ(runs[1].status, nt_status::kInvalidImageFormat);
  EXPECT_TRUE(drive->Log().empty());
}

class Reboot32Test : public FlasherFixture {
 protected:
  Reboot32Test() : FlasherFixture(sim::Windows::XpPro, sim::CallerBits::X86) {}
};

TEST_F(Reboot32Test, TheXpBuildRunsOn32BitWindows) {
  auto image = MakeFlasherStandIn(sim::CallerBits::X86);
  ASSERT_EQ(PatchImageField(image.data(), image.size(), "DRIVECOUNT=", "0001"), PatchResult::kWritten);
  ASSERT_EQ(PatchImageField(image.data(), image.size(), "VENDID1=", Model24(kModel).c_str()),
            PatchResult::kWritten);
  ASSERT_EQ(PatchImageField(image.data(), image.size(), "_____FW=", "VRDC"), PatchResult::kWritten);
  machine.files.Put(machine.SystemDirectory() + "\\Ombrel.exe", image);
  auto drive = AddDrive();
  auto runs = sim::RebootMachine(machine, RunFlasherImage);
  ASSERT_EQ(runs.size(), 2u);
  EXPECT_NE(runs[1].console.find("PASS !"), std::string::npos);
  sim::RebootMachine(machine, RunFlasherImage);
  EXPECT_EQ(drive->Revision(), "VRDC");
}

// --- faults while flashing one drive
struct FaultCase {
  const char* name;
  sim::AtaFault fault;
  std::uint8_t command;
  int features;
  unsigned occurrence;
  unsigned powerLossAfterBlock;  // 0: no power loss
};
void PrintTo(const FaultCase& c, std::ostream* out) { *out << c.name; }

// Each case against the drive that checks every image and against one that activates whatever
// it received: what the flasher promises must hold without the drive's check.
class FaultMatrix : public FlasherFixture,
                    public ::testing::WithParamInterface<std::tuple<FaultCase, bool>> {};

TEST_P(FaultMatrix, NoPartialImageIsActivatedAndTheMarksFollowTheRun) {
  const FaultCase& c = std::get<0>(GetParam());
  auto drive = AddDrive();
  drive->validatesImages = std::get<1>(GetParam());
  if (c.powerLossAfterBlock) {
    drive->LosePowerAfterBlock(c.powerLossAfterBlock);
  } else {
    drive->InjectFault(c.fault, c.command, c.features, c.occurrence);
  }
  auto run = Run();
  const std::string console = run.Console();
  const bool identified = !(c.command == 0xEC && c.occurrence == 1 && !c.powerLossAfterBlock);

  // Whatever was activated was the whole image, whoever checked it.
  for (const auto& a : drive->Activations()) {
    if (a.accepted) {
      EXPECT_EQ(a.revision, "VRDC");
      EXPECT_TRUE(a.image == firmware) << a.image.size() << " bytes";
    }
  }
  drive->PowerCycle();
  const bool updated = drive->Revision() == "VRDC";
  if (updated) {
    std::set<unsigned> offsets;
    for (const auto& cmd : drive->Log()) {
      if (cmd.in.command == 0x92 && cmd.in.features == 3) offsets.insert(cmd.in.lbaMid | (cmd.in.lbaHigh << 8));
    }
    EXPECT_EQ(offsets.size(), 512u);
  }
  // The console's verdict is the drive's state after its next start.
  EXPECT_EQ(Count(console, "PASS !"), updated ? 1u : 0u) << console;
  EXPECT_EQ(Count(console, "FAIL !"), identified && !updated ? 1u : 0u) << console;
  // A matched drive counts as flashed, PASS or FAIL: both marks and one restart.
  EXPECT_EQ(FwBinMarked(), identified);
  EXPECT_EQ(BootStatusByte(), identified ? 1 : 0);
  EXPECT_EQ(run.process->shutdowns.size(), identified ? 1u : 0u);
  if (!identified) {
    EXPECT_NE(console.find("CAN'T FIND A SUITABLE DEVICE !"), std::string::npos);
    EXPECT_EQ(drive->CountCommands(0x92), 0u);
  }
  EXPECT_EQ(BootExecute(), std::vector<std::string>{"autocheck autochk *"});
  EXPECT_EQ(run.process->OpenHandleCount(), 0u);
}

using sim::AtaFault;
INSTANTIATE_TEST_SUITE_P(
    Faults, FaultMatrix,
    ::testing::Combine(::testing::Values(
        FaultCase{"IdentifyIoError", AtaFault::IoError, 0xEC, -1, 1, 0},
        FaultCase{"IdentifyTimeout", AtaFault::Timeout, 0xEC, -1, 1, 0},
        FaultCase{"IdentifyAborted", AtaFault::ErrorStatus, 0xEC, -1, 1, 0},
        FaultCase{"FirstBlockIoError", AtaFault::IoError, 0x92, 3, 1, 0},
        FaultCase{"MiddleBlockTimeout", AtaFault::Timeout, 0x92, 3, 256, 0},
        FaultCase{"LastBlockIoError", AtaFault::IoError, 0x92, 3, 512, 0},
        FaultCase{"FirstBlockAborted", AtaFault::ErrorStatus, 0x92, 3, 1, 0},
        FaultCase{"LastBlockAborted", AtaFault::ErrorStatus, 0x92, 3, 512, 0},
        FaultCase{"TriggerIoError", AtaFault::IoError, 0x92, 7, 1, 0},
        FaultCase{"TriggerTimeout", AtaFault::Timeout, 0x92, 7, 1, 0},
        FaultCase{"TriggerAborted", AtaFault::ErrorStatus, 0x92, 7, 1, 0},
        FaultCase{"PowerLossAfterFirstBlock", AtaFault::IoError, 0, -1, 0, 1},
        FaultCase{"PowerLossMidway", AtaFault::IoError, 0, -1, 0, 300},
        FaultCase{"PowerLossAfterLastBlock", AtaFault::IoError, 0, -1, 0, 512}),
        ::testing::Bool()),
    [](const auto& param) {
      return std::string(std::get<0>(param.param).name) +
             (std::get<1>(param.param) ? "_ValidatingDrive" : "_DriveThatChecksNothing");
    });

class BusyDriveTest : public FlasherFixture {};

TEST_F(BusyDriveTest, ADriveThatStaysBusyIsNotIdentifiedAndCostsTimeOnly) {
  auto drive = AddDrive();
  drive->staysBusy = true;
  const auto before = machine.clock.Uptime100ns();
  auto run = Run();
  EXPECT_NE(run.Console().find("CAN'T FIND A SUITABLE DEVICE !"), std::string::npos);
  // One IDENTIFY time-out of 30 s and the clean-up pause of 3 s.
  EXPECT_GE(machine.clock.Uptime100ns() - before, 330000000);
  EXPECT_FALSE(FwBinMarked());
}

}  // namespace
}  // namespace qz::bootflash::testing
