// The user's machine file: what it may say, and that every mistake is named before a machine
// is built from it.
#include <gtest/gtest.h>

#include "tools/demo/machine_file.hpp"

namespace qz::demo {
namespace {

TEST(MachineFile, AWholeDescriptionIsTakenFieldByField) {
  std::string error;
  const auto m = ParseMachineFile(R"({"title": "Office", "windows": "2003-x64", "layout": "ahci", "usb": false,
      "drives": [{"model": "VORTANIX QRX-480T9A", "revision": "VRD3", "extension": "VRD3-9", "serial": "S1"}]})",
                                  error);
  ASSERT_TRUE(m) << error;
  EXPECT_EQ(m->title, "Office");
  EXPECT_EQ(m->release, sim::Windows::Server2003X64);
  EXPECT_EQ(m->layout, DiskLayout::AhciWithUsb);
  EXPECT_FALSE(m->usbDisk);
  ASSERT_EQ(m->drives.size(), 1u);
  EXPECT_EQ(m->drives[0].model, "VORTANIX QRX-480T9A");
  EXPECT_EQ(m->drives[0].revision, "VRD3");
  EXPECT_EQ(m->drives[0].extension, "VRD3-9");
  EXPECT_EQ(m->drives[0].serial, "S1");

  const auto ide = ParseMachineFile(R"({"windows": "xp", "layout": "ide"})", error);
  ASSERT_TRUE(ide) << error;
  EXPECT_EQ(ide->layout, DiskLayout::LegacyIde);
  EXPECT_FALSE(ide->usbDisk);
  EXPECT_TRUE(ide->drives.empty());
}

TEST(MachineFile, MistakesAreRefusedWithTheFieldNamed) {
  const struct {
    const char* text;
    const char* mentions;
  } cases[] = {
      {"not json", "JSON"},
      {"[1]", "JSON"},
      {R"({"layout": "ahci"})", "\"windows\""},
      {R"({"windows": "win10"})", "win10"},
      {R"({"windows": "xp", "colour": 1})", "colour"},
      {R"({"windows": "xp", "layout": "scsi"})", "layout"},
      {R"({"windows": "xp", "layout": "ide", "usb": true})", "usb"},
      {R"({"windows": "xp", "drives": [{}, {}, {}]})", "at most 2"},
      {R"({"windows": "xp", "drives": [{"revision": "123456789"}]})", "drives[0].revision"},
      {R"({"windows": "xp", "drives": [{"model": 7}]})", "drives[0].model"},
      {R"({"windows": "xp", "drives": [{}, {"firmware": "1"}]})", "drives[1]: unknown field \"firmware\""},
      {"{\"windows\": \"xp\", \"drives\": [{\"model\": \"A\\u0001\"}]}", "printable"},
  };
  for (const auto& c : cases) {
    std::string error;
    EXPECT_FALSE(ParseMachineFile(c.text, error)) << c.text;
    EXPECT_NE(error.find(c.mentions), std::string::npos) << c.text << " -> " << error;
  }
}

}  // namespace
}  // namespace qz::demo
