// The user's machine file: what it may say, and that every mistake is named before a machine
// is built from it.
#include <gtest/gtest.h>

#include "tools/demo/machine_file.hpp"

namespace qz::demo {
namespace {

TEST(MachineFile, TheShortFormFillsASampleLayoutAndItsDrivesFieldByField) {
  std::string error;
  const auto m = ParseMachineFile(R"({"title": "Office", "windows": "2003-x64", "layout": "ahci", "usb": false,
      "drives": [{"model": "VORTANIX QRX-480T9A", "revision": "VRD3", "extension": "VRD3-9", "serial": "S1"}]})",
                                  error);
  ASSERT_TRUE(m) << error;
  EXPECT_EQ(m->title, "Office");
  EXPECT_EQ(m->release, sim::Windows::Server2003X64);
  ASSERT_EQ(m->controllers.size(), 1u);
  EXPECT_EQ(m->controllers[0].kind, sim::SataKind::IntelAhci);
  ASSERT_EQ(m->disks.size(), 2u);  // no USB disk
  EXPECT_EQ(m->disks[0].model, "VORTANIX QRX-480T9A");
  EXPECT_EQ(m->disks[0].revision, "VRD3");
  EXPECT_EQ(m->disks[0].extension, "VRD3-9");
  EXPECT_EQ(m->disks[0].serial, "S1");
  EXPECT_EQ(m->disks[1].model, "HALDEN HD2T-7200");  // the layout's own

  const auto ide = ParseMachineFile(R"({"windows": "xp", "layout": "ide"})", error);
  ASSERT_TRUE(ide) << error;
  EXPECT_EQ(ide->controllers[0].kind, sim::SataKind::IntelIde);
  ASSERT_EQ(ide->disks.size(), 2u);
  EXPECT_FALSE(ide->disks[1].usb);
}

TEST(MachineFile, TheLongFormDescribesServicePackControllersDriversAndEveryDisk) {
  std::string error;
  const auto m = ParseMachineFile(R"({"windows": "xp", "service_pack": 1, "battery": "low",
      "controllers": [{"kind": "ide"}, {"kind": "sil3124", "driver": "SI3124r5", "version": "2.1"}],
      "disks": [{"model": "A", "revision": "1"}, {"bus": "usb"}, {"model": "B", "revision": "2", "port": 3},
                {"model": "C", "revision": "3", "controller": 1, "identify": "slowly", "timeouts": 4},
                {"model": "D", "revision": "4", "identify": "never"}]})",
                                  error);
  ASSERT_TRUE(m) << error;
  EXPECT_EQ(m->servicePack, 1);
  EXPECT_TRUE(m->lowBattery);
  ASSERT_EQ(m->controllers.size(), 2u);
  EXPECT_EQ(m->controllers[1].kind, sim::SataKind::Sil3124);
  EXPECT_EQ(m->controllers[1].version, "2.1");
  ASSERT_EQ(m->disks.size(), 5u);
  EXPECT_TRUE(m->disks[1].usb);
  EXPECT_EQ(m->disks[0].position, 0u);
  EXPECT_EQ(m->disks[2].position, 3u);  // the secondary slave
  EXPECT_EQ(m->disks[3].controller, 1u);
  EXPECT_EQ(m->disks[3].identify, IdentifyAnswer::Slowly);
  EXPECT_EQ(m->disks[3].identifyTimeouts, 4u);
  EXPECT_EQ(m->disks[4].position, 1u);  // the first free port of the IDE controller
  EXPECT_EQ(m->disks[4].identify, IdentifyAnswer::Never);
  EXPECT_EQ(m->disks[4].extension, "");  // the drive then reports its revision

  std::string sixteen = R"({"windows": "win7-x64", "controllers": [{"kind": "ahci"}, {"kind": "ahci"}, {"kind": "ahci"}], "disks": [)";
  for (int i = 0; i < 16; ++i) {
    sixteen += i % 4 == 3 ? R"({"bus": "usb"})" : R"({"model": "M", "revision": "R", "controller": )" + std::to_string(i / 6) + "}";
    sixteen += i < 15 ? "," : "]}";
  }
  const auto big = ParseMachineFile(sixteen, error);
  ASSERT_TRUE(big) << error;
  EXPECT_EQ(big->disks.size(), 16u);
}

TEST(MachineFile, WindowsEightAndLaterByNameWithFastStartupOnUnlessSaidOtherwise) {
  const struct {
    const char* text;
    sim::Windows release;
    bool fastStartup;
  } cases[] = {
      {R"({"windows": "win8-x86"})", sim::Windows::Win8X86, true},
      {R"({"windows": "win8-x64"})", sim::Windows::Win8X64, true},
      {R"({"windows": "win81-x86", "fast_startup": false})", sim::Windows::Win81X86, false},
      {R"({"windows": "win81-x64", "fast_startup": true})", sim::Windows::Win81X64, true},
      {R"({"windows": "win10-x86", "service_pack": 0})", sim::Windows::Win10X86, true},
      {R"({"windows": "win10-x64"})", sim::Windows::Win10X64, true},
      {R"({"windows": "win11-x64", "fast_startup": false})", sim::Windows::Win11X64, false},
      {R"({"windows": "win7-x64"})", sim::Windows::Win7X64, false},
  };
  for (const auto& c : cases) {
    std::string error;
    const auto m = ParseMachineFile(c.text, error);
    ASSERT_TRUE(m) << c.text << " -> " << error;
    EXPECT_EQ(m->release, c.release) << c.text;
    EXPECT_EQ(m->fastStartup, c.fastStartup) << c.text;
  }
  std::string error;
  const auto rst = ParseMachineFile(R"({"windows": "win10-x64", "controllers": [{"kind": "ahci", "driver": "iaStorAC",
      "pass_through": false}], "disks": [{"model": "A", "revision": "1"}]})",
                                    error);
  ASSERT_TRUE(rst) << error;
  EXPECT_FALSE(rst->controllers[0].passThrough);
  EXPECT_EQ(rst->controllers[0].driver, "iaStorAC");
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
      {R"({"windows": "win7-x64", "service_pack": 2})", "service_pack"},
      {R"({"windows": "xp", "service_pack": "2"})", "service_pack"},
      {R"({"windows": "xp", "battery": "empty"})", "battery"},
      {R"({"windows": "xp", "layout": "ahci", "disks": []})", "\"layout\""},
      {R"({"windows": "xp", "disks": []})", "1 to 16"},
      {R"({"windows": "xp", "controllers": [{"kind": "raid"}], "disks": [{"model": "A", "revision": "1"}]})",
       "controllers[0].kind"},
      {R"({"windows": "xp", "controllers": [{"kind": "sil3124", "version": "two"}], "disks": [{"model": "A", "revision": "1"}]})",
       "controllers[0].version"},
      {R"({"windows": "xp", "disks": [{"revision": "1"}]})", "disks[0].model"},
      {R"({"windows": "xp", "disks": [{"model": "A", "revision": "1", "controller": 1}]})", "disks[0].controller"},
      {R"({"windows": "xp", "disks": [{"model": "A", "revision": "1", "port": 6}]})", "disks[0].port"},
      {R"({"windows": "xp", "disks": [{"model": "A", "revision": "1"}, {"model": "B", "revision": "1", "port": 0}]})",
       "disks[1].port 0 of controllers[0] holds another disk"},
      {R"({"windows": "xp", "controllers": [{"kind": "ide"}], "disks": [{"model": "A", "revision": "1"},
          {"model": "A", "revision": "1"}, {"model": "A", "revision": "1"}, {"model": "A", "revision": "1"},
          {"model": "A", "revision": "1"}]})", "disks[4]: controllers[0] has no free port"},
      {R"({"windows": "xp", "disks": [{"bus": "usb", "identify": "never"}]})", "disks[0].identify"},
      {R"({"windows": "xp", "disks": [{"model": "A", "revision": "1", "timeouts": 3}]})", "disks[0].timeouts"},
      {R"({"windows": "xp", "disks": [{"model": "A", "revision": "1", "identify": "slowly", "timeouts": 0}]})",
       "disks[0].timeouts"},
      {R"({"windows": "win7-x64", "fast_startup": false})", "fast_startup"},
      {R"({"windows": "win10-x64", "fast_startup": 1})", "fast_startup"},
      {R"({"windows": "win11-x64", "service_pack": 1})", "service_pack"},
      {R"({"windows": "win11-x86"})", "win11-x86"},
      {R"({"windows": "win10-x64", "controllers": [{"kind": "ahci", "pass_through": "no"}], "disks": [{"model": "A", "revision": "1"}]})",
       "controllers[0].pass_through"},
  };
  for (const auto& c : cases) {
    std::string error;
    EXPECT_FALSE(ParseMachineFile(c.text, error)) << c.text;
    EXPECT_NE(error.find(c.mentions), std::string::npos) << c.text << " -> " << error;
  }
}

}  // namespace
}  // namespace qz::demo
