// Windows XP Professional x64 (a machine file's "windows": "xp-x64") runs the NT 5.2 x64
// Session Manager: the update it is given must be a 64-bit flasher, and it must run. The
// whole update as the demo plays it, over a block packed as the packer packs every release.
#include <gtest/gtest.h>

#include "sim/sample_firmware.hpp"
#include "sim/stub_image.hpp"
#include "staging/pe_image.hpp"
#include "tools/demo/demo_run.hpp"
#include "tools/demo/machine_file.hpp"
#include "tools/packer/packer.hpp"
#include "updater/package_block.hpp"

namespace qz::demo {
namespace {

std::vector<std::uint8_t> PackedBlock() {
  PackageBlock embedded = EmbeddedPackageBlock();
  std::vector<std::uint8_t> block(embedded.bytes().begin(), embedded.bytes().end());
  packer::Release r;
  r.productVersion = "v2.2.0";
  r.productTitle = "Quenzar Test Utility";
  r.releaseDate = "2012/07/25";
  r.supportedModel = "VORTANIX QRX-480T9A";
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

TEST(XpX64, TheMachineFileMachineReachesTheTargetAndBootExecuteIsRestored) {
  std::string error;
  const auto machine = ParseMachineFile(R"({"title": "XP x64 desk", "windows": "xp-x64"})", error);
  ASSERT_TRUE(machine) << error;
  DemoOptions o;
  o.machine = *machine;
  o.packageBlock = PackedBlock();
  const DemoResult r = RunDemo(o);
  EXPECT_TRUE(r.reached);
  EXPECT_TRUE(r.noHalfWrittenImage);
  ASSERT_FALSE(r.drives.empty());
  EXPECT_EQ(r.drives[0].revisionBefore, "VRD5");
  EXPECT_EQ(r.drives[0].revisionAfter, "VRDC");
  EXPECT_EQ(r.drives[0].extensionAfter, "VRDC-4");
  EXPECT_EQ(r.bootExecuteAfter, std::vector<std::string>{"autocheck autochk *"});
  EXPECT_TRUE(r.extraBootChangedNothing);
}

}  // namespace
}  // namespace qz::demo
