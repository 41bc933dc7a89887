// The whole update on one simulated machine, as the demo runs it: start-up over the drive
// manager and the simulated storage stack, the update command answered Yes, the restarts with
// the flasher from BootExecute, and what the machine holds afterwards.
#include <gtest/gtest.h>

#include "sim/sample_firmware.hpp"
#include "sim/stub_image.hpp"
#include "staging/pe_image.hpp"
#include "tools/demo/demo_run.hpp"
#include "tools/packer/packer.hpp"
#include "updater/package_block.hpp"
#include "updater/package_layout.hpp"

namespace qz::demo {
namespace {

// The shipped block packed with a release like the sample one: the sample firmware for
// "VORTANIX QRX-480T9A" from any "VRD" revision to "VRDC". The copy helpers' bytes are
// stand-ins: the simulated launch runs the copy helper's host build.
std::vector<std::uint8_t> PackedBlock() {
  PackageBlock embedded = EmbeddedPackageBlock();
  std::vector<std::uint8_t> block(embedded.bytes().begin(), embedded.bytes().end());
  packer::Release r;
  r.productVersion = "v2.2.0";
  r.productTitle = "Quenzar Test Utility";
  r.releaseDate = "2012/07/25";
  r.supportedModel = "VORTANIX QRX-480T9A";
  r.packageMode = 0;
  r.options = "0000000001011000000010000002000";
  packer::ReleasePackage p;
  p.imageName = "sample-fw.bin";
  p.image = sim::MakeSampleFirmware({});
  p.newRevision = "VRDC";
  p.extension = "VRDC-4";
  p.models = {{"VRD!", "VRD~", "VORTANIX QRX-480T9A     ", "#"}};
  r.packages = {p};
  for (auto& helper : r.copyHelpers) helper = sim::StubImage(sim::kImageX64, 2048, 0x90, pe_subsystem::kWindowsConsole);
  const auto result = packer::Pack(block, r);
  EXPECT_TRUE(result.ok) << (result.errors.empty() ? "" : result.errors.front());
  return block;
}

class DemoFlow : public ::testing::TestWithParam<DemoMachine> {
 protected:
  DemoResult Run(const std::string& fault = "", bool answerNo = false) {
    DemoOptions o;
    o.machine = GetParam();
    o.packageBlock = PackedBlock();
    o.fault = fault;
    o.answerNo = answerNo;
    return RunDemo(o);
  }
};

// Every drive reports what it reported before.
void ExpectDrivesUnchanged(const DemoResult& r) {
  for (const auto& d : r.drives) {
    EXPECT_EQ(d.revisionAfter, d.revisionBefore) << d.model;
    EXPECT_EQ(d.extensionAfter, d.extensionBefore) << d.model;
  }
}

TEST_P(DemoFlow, TheEligibleDriveTakesOnTheNewRevisionAndALaterRestartChangesNothing) {
  const DemoResult r = Run();
  EXPECT_TRUE(r.reached);
  EXPECT_TRUE(r.noHalfWrittenImage);
  ASSERT_EQ(r.drives.size(), 2u);  // a USB disk has no drive behind it
  EXPECT_EQ(r.drives[0].model, "VORTANIX QRX-480T9A");
  EXPECT_EQ(r.drives[0].revisionBefore, "VRD5");
  EXPECT_EQ(r.drives[0].revisionAfter, "VRDC");
  EXPECT_EQ(r.drives[0].extensionAfter, "VRDC-4");
  EXPECT_FALSE(r.drives[1].eligibleModel);
  EXPECT_EQ(r.drives[1].revisionAfter, r.drives[1].revisionBefore);
  // The updater's restart and the flasher's; the boot after flashing asks for none, and
  // neither does the user's later one.
  EXPECT_EQ(r.restarts, 2u);
  EXPECT_EQ(r.boots, 3);
  EXPECT_TRUE(r.extraBootChangedNothing);
  EXPECT_EQ(r.bootExecuteAfter, r.bootExecuteBefore);
  ASSERT_EQ(r.fwBinWithDoneMark.size(), 1u);
  EXPECT_NE(r.fwBinWithDoneMark[0].find("\\system32\\FW.bin"), std::string::npos);
}

TEST_P(DemoFlow, DecliningTheRestartLeavesTheUpdateStagedForTheNextRestart) {
  const DemoResult r = Run("", true);
  EXPECT_EQ(r.restarts, 0u);  // nobody asked for a restart before the user's own
  EXPECT_EQ(r.boots, 2);      // the user's restart runs the flasher, which restarts once
  EXPECT_FALSE(r.extraBootChangedNothing);
  EXPECT_TRUE(r.reached);
  EXPECT_TRUE(r.noHalfWrittenImage);
  EXPECT_EQ(r.bootExecuteAfter, r.bootExecuteBefore);
}

INSTANTIATE_TEST_SUITE_P(BuiltIn, DemoFlow, ::testing::ValuesIn(BuiltInMachines()),
                         [](const auto& param) { return param.param.name; });

// Every named fault on the default machine: the update does not happen, no drive holds a
// partial image, and whatever was staged has been taken back (a later restart changes nothing).
class DemoFault : public ::testing::TestWithParam<std::string> {};

TEST_P(DemoFault, NoDriveIsLeftHalfWrittenAndNothingStaysStaged) {
  DemoOptions o;
  o.packageBlock = PackedBlock();
  o.fault = GetParam();
  const DemoResult r = RunDemo(o);
  EXPECT_FALSE(r.badFault);
  EXPECT_FALSE(r.reached);
  EXPECT_TRUE(r.noHalfWrittenImage);
  ASSERT_EQ(r.drives.size(), 2u);
  ExpectDrivesUnchanged(r);
  EXPECT_EQ(r.bootExecuteAfter, r.bootExecuteBefore);
  EXPECT_TRUE(r.extraBootChangedNothing);
  if (IsDriveFault(GetParam())) {
    EXPECT_EQ(r.restarts, 2u);  // staged and run; the flasher still restarts after a failure
  } else {
    EXPECT_EQ(r.restarts, 0u);  // staging failed: no restart is offered
    EXPECT_TRUE(r.fwBinWithDoneMark.empty());
  }
}

INSTANTIATE_TEST_SUITE_P(Named, DemoFault, ::testing::ValuesIn(FaultNames()), [](const auto& param) {
  std::string name = param.param;
  for (char& c : name) {
    if (c == '-') c = '_';
  }
  return name;
});

TEST(DemoFlowFaults, AnUnknownFaultIsRefusedBeforeAnythingRuns) {
  DemoOptions o;
  o.fault = "no-such-fault";
  o.packageBlock = PackedBlock();
  const DemoResult r = RunDemo(o);
  EXPECT_TRUE(r.badFault);
  EXPECT_FALSE(r.reached);
  EXPECT_TRUE(r.drives.empty());
}

// With a firmware file every listed drive is eligible and the last one is selected; the user
// picks the drive of the package's model, which the file's image is made for.
TEST(DemoFirmwareFile, TheUsersChoiceOfDriveIsFlashedWithTheFile) {
  DemoOptions o;
  o.packageBlock = PackedBlock();
  o.firmwareFile = sim::MakeSampleFirmware({"VORTANIX QRX-480T9A", "VRDD", "VRDD-1", 262144});
  const DemoResult r = RunDemo(o);
  ASSERT_EQ(r.drives.size(), 2u);
  EXPECT_EQ(r.drives[0].revisionAfter, "VRDD");  // the file's image, not the package's
  EXPECT_EQ(r.drives[0].extensionAfter, "VRDD-1");
  EXPECT_EQ(r.drives[1].revisionAfter, r.drives[1].revisionBefore);
  EXPECT_TRUE(r.noHalfWrittenImage);
}

// A machine of the user's: both drives of the package's model are flashed by the one staged
// update; a drive of the model whose revision is outside the package's range is left alone.
TEST(DemoUserMachine, DrivesOfTheUsersMachineAreTheOnesUpdated) {
  DemoOptions o;
  o.packageBlock = PackedBlock();
  o.machine = {"file", "user", sim::Windows::Win7X86, DiskLayout::AhciWithUsb, false,
               {{"VORTANIX QRX-480T9A", "", "VRD1", ""}, {"VORTANIX QRX-480T9A", "", "VRD7", "VRD7-X"}}};
  const DemoResult r = RunDemo(o);
  ASSERT_EQ(r.drives.size(), 2u);
  EXPECT_TRUE(r.reached);
  EXPECT_EQ(r.drives[0].revisionBefore, "VRD1");
  EXPECT_EQ(r.drives[0].revisionAfter, "VRD1");  // not the chosen drive: left alone
  EXPECT_EQ(r.drives[1].extensionBefore, "VRD7-X");
  EXPECT_EQ(r.drives[1].revisionAfter, "VRDC");

  o.machine.drives = {{"VORTANIX QRX-480T9A", "", "VRE1", ""}, {"OTHER DISK", "", "1.0", ""}};
  const DemoResult none = RunDemo(o);
  EXPECT_FALSE(none.reached);
  ASSERT_EQ(none.drives.size(), 2u);
  ExpectDrivesUnchanged(none);
  EXPECT_EQ(none.restarts, 0u);
}

}  // namespace
}  // namespace qz::demo
