// Windows XP Professional x64 (a machine file's "windows": "xp-x64") runs the NT 5.2 x64
// Session Manager: the update it is given must be a 64-bit flasher, and it must run. The
// whole update as the rehearsal plays it, over the sample release.
#include <gtest/gtest.h>

#include "tests/tools/release_fixture.hpp"
#include "tools/demo/demo_run.hpp"
#include "tools/demo/machine_file.hpp"

namespace qz::demo {
namespace {

TEST(XpX64, TheMachineFileMachineReachesTheTargetAndBootExecuteIsRestored) {
  std::string error;
  const auto machine = ParseMachineFile(R"({"title": "XP x64 desk", "windows": "xp-x64"})", error);
  ASSERT_TRUE(machine) << error;
  DemoOptions o;
  o.machine = *machine;
  o.packageBlock = test::SampleRelease();
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
