// The whole update on one simulated machine, as the demo runs it: start-up over the drive
// manager and the simulated storage stack, the update command answered Yes, the restarts with
// the flasher from BootExecute, and what the machine holds afterwards.
#include <gtest/gtest.h>

#include "sim/sample_firmware.hpp"
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
  for (auto& helper : r.copyHelpers) {
    helper = std::vector<std::uint8_t>(2048, 0x90);
    (*helper)[0] = 'M';
    (*helper)[1] = 'Z';
  }
  const auto result = packer::Pack(block, r);
  EXPECT_TRUE(result.ok) << (result.errors.empty() ? "" : result.errors.front());
  return block;
}

struct Case {
  sim::Windows windows;
  const char* name;
  bool is64;
};

class DemoFlow : public ::testing::TestWithParam<Case> {
 protected:
  DemoResult Run(const std::string& fault = "", bool answerNo = false) {
    DemoOptions o;
    o.machine = {GetParam().name, GetParam().name, GetParam().windows, DiskLayout::AhciWithUsb};
    o.packageBlock = PackedBlock();
    o.fault = fault;
    o.answerNo = answerNo;
    return RunDemo(o);
  }
};

TEST_P(DemoFlow, TheEligibleDriveTakesOnTheNewRevisionAndTheMachineIsLeftClean) {
  const DemoResult r = Run();
  EXPECT_TRUE(r.reached);
  ASSERT_EQ(r.drives.size(), 2u);  // the USB disk has no drive behind it
  EXPECT_EQ(r.drives[0].model, "VORTANIX QRX-480T9A");
  EXPECT_EQ(r.drives[0].revisionBefore, "VRD5");
  EXPECT_EQ(r.drives[0].revisionAfter, "VRDC");
  EXPECT_EQ(r.drives[0].extensionAfter, "VRDC-4");
  EXPECT_EQ(r.drives[1].revisionAfter, r.drives[1].revisionBefore);
  // The updater's restart and the flasher's; the boot after flashing asks for none.
  EXPECT_EQ(r.restarts, 2u);
  EXPECT_EQ(r.boots, 2);
  EXPECT_EQ(r.bootExecuteAfter, r.bootExecuteBefore);
  ASSERT_EQ(r.fwBinWithDoneMark.size(), 1u);
  EXPECT_NE(r.fwBinWithDoneMark[0].find("\\system32\\FW.bin"), std::string::npos);
}

TEST_P(DemoFlow, DecliningTheRestartFlashesNothingYet) {
  const DemoResult r = Run("", true);
  EXPECT_FALSE(r.reached);
  EXPECT_EQ(r.restarts, 0u);
  EXPECT_EQ(r.boots, 0);
  ASSERT_FALSE(r.drives.empty());
  EXPECT_EQ(r.drives[0].revisionAfter, "VRD5");
  EXPECT_NE(r.bootExecuteAfter, r.bootExecuteBefore);  // still staged for the next boot
}

TEST_P(DemoFlow, AFaultInStagingLeavesTheDriveAndBootExecuteAlone) {
  const DemoResult r = Run("fw-create");
  EXPECT_FALSE(r.reached);
  EXPECT_EQ(r.restarts, 0u);
  ASSERT_FALSE(r.drives.empty());
  EXPECT_EQ(r.drives[0].revisionAfter, "VRD5");
  EXPECT_EQ(r.bootExecuteAfter, r.bootExecuteBefore);
  EXPECT_TRUE(r.fwBinWithDoneMark.empty());
}

INSTANTIATE_TEST_SUITE_P(Machines, DemoFlow,
                         ::testing::Values(Case{sim::Windows::Win7X64, "Win7X64", true},
                                           Case{sim::Windows::XpPro, "XpX86", false}),
                         [](const auto& param) { return std::string(param.param.name); });

TEST(DemoFlowFaults, AnUnknownFaultIsRefusedBeforeAnythingRuns) {
  DemoOptions o;
  o.fault = "no-such-fault";
  o.packageBlock = PackedBlock();
  const DemoResult r = RunDemo(o);
  EXPECT_TRUE(r.badFault);
  EXPECT_FALSE(r.reached);
  EXPECT_TRUE(r.drives.empty());
}

}  // namespace
}  // namespace qz::demo
