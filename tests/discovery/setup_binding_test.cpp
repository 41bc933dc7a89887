// Binding the Setup API and the configuration manager: required and optional functions,
// where the libraries come from, and the version read at creation.
#include <gtest/gtest.h>

#include "discovery/device_enumerator.hpp"
#include "discovery/fixed_text.hpp"
#include "discovery_rig.hpp"

namespace qz {
namespace {

using testing::DiscoveryRig;

TEST(SetupBinding, CreationBindsEveryFunctionAndStartsTheTrace) {
  DiscoveryRig rig;
  sim::BuildIntelAhciDesktop(rig.machine);
  DeviceEnumerator e(rig.api, rig.setup, rig.wmi);
  for (const auto& f : kSetupFunctions) EXPECT_TRUE(e.IsBound(f.name)) << f.name;
  EXPECT_EQ(rig.DebugLines(), std::vector<std::string>{"Constructor ok "});
  EXPECT_EQ(e.MajorVersion, 6u);
  EXPECT_EQ(e.MinorVersion, 1u);
  EXPECT_EQ(e.PlatformId, 2u);
  EXPECT_EQ(e.ProductType, 1);
}

TEST(SetupBinding, ConstructorStartsDebugFileAnewAndDeletesTheTemporaryOne) {
  DiscoveryRig rig;
  sim::BuildIntelAhciDesktop(rig.machine);
  rig.machine.files.PutText("C:\\DEBUG.TXT", "old line\r\nanother\r\n");
  rig.machine.files.PutText("C:\\TEMP\\DEBUG.TXT", "old\r\n");
  DeviceEnumerator e(rig.api, rig.setup, rig.wmi);
  EXPECT_EQ(rig.DebugLines(), std::vector<std::string>{"Constructor ok "});
  EXPECT_FALSE(rig.machine.files.Find("C:\\TEMP\\DEBUG.TXT"));
}

TEST(SetupBinding, MissingRequiredFunctionFailsTheSupportCheck) {
  for (const auto& [module, name] :
       {std::pair<const char*, const char*>{"setupapi", "SetupDiGetClassImageList"},
        {"cfgmgr32", "CM_Reenumerate_DevNode"},
        {"setupapi", "SetupDiGetDeviceInstanceIdA"}}) {
    DiscoveryRig rig;
    sim::BuildIntelAhciDesktop(rig.machine);
    rig.machine.RemoveExport(module, name);
    DeviceEnumerator e(rig.api, rig.setup, rig.wmi);
    EXPECT_FALSE(e.IsBound(name));
    EXPECT_FALSE(e.Enumerate()) << name;
    EXPECT_EQ(e.GetCount(), 0);
    EXPECT_EQ(rig.DebugLines(),
              (std::vector<std::string>{"Constructor ok ", "Check sysytem support"}));
    EXPECT_TRUE(rig.machine.wmi.calls.empty()) << "nothing is asked of WMI";
  }
}

TEST(SetupBinding, MissingLibraryFailsTheSupportCheck) {
  DiscoveryRig rig;
  sim::BuildIntelAhciDesktop(rig.machine);
  rig.machine.files.Remove(rig.machine.Wow64Directory() + "\\cfgmgr32.dll");
  DeviceEnumerator e(rig.api, rig.setup, rig.wmi);
  EXPECT_TRUE(e.IsBound("SetupDiGetClassDevsA"));
  EXPECT_FALSE(e.IsBound("CM_Get_Parent"));
  EXPECT_FALSE(e.Enumerate());
}

TEST(SetupBinding, MissingOptionalFunctionOnlyLosesResources) {
  DiscoveryRig rig;
  sim::BuildIntelAhciDesktop(rig.machine);
  rig.machine.RemoveExport("cfgmgr32", "CM_Get_Res_Des_Data");
  DeviceEnumerator e(rig.api, rig.setup, rig.wmi);
  ASSERT_TRUE(e.Enumerate());
  ASSERT_EQ(e.GetCount(), 2);
  const DiskRegData& d = e.GetList()[0];
  EXPECT_EQ(d.HasIo, 0);
  EXPECT_EQ(d.HasMem, 0);
  // Everything else is still there.
  EXPECT_EQ(d.VendorId, 0x8086);
  EXPECT_EQ(d.HasScsiAddress, 1);
  ASSERT_TRUE(d.WmiInfo);
}

TEST(SetupBinding, LegacyPortsStillApplyWithoutResourceFunctions) {
  DiscoveryRig rig(sim::Windows::XpPro);
  sim::BuildLegacyIdeMachine(rig.machine);
  rig.machine.RemoveExport("cfgmgr32", "CM_Get_First_Log_Conf");
  DeviceEnumerator e(rig.api, rig.setup, rig.wmi);
  ASSERT_TRUE(e.Enumerate());
  EXPECT_EQ(e.GetList()[0].CmdBase, 0x1F0u);
  EXPECT_EQ(e.GetList()[1].CmdBase, 0x170u);
}

TEST(SetupBinding, LibrariesComeFromTheSystemDirectoryOnly) {
  DiscoveryRig rig;
  sim::BuildIntelAhciDesktop(rig.machine);
  // Files of the same names beside the program.
  rig.machine.files.Put("C:\\Program Files\\Quenzar\\Setupapi.dll", {'M', 'Z', 1});
  rig.machine.files.Put("C:\\Program Files\\Quenzar\\cfgmgr32.dll", {'M', 'Z', 2});
  DeviceEnumerator e(rig.api, rig.setup, rig.wmi);
  ASSERT_TRUE(e.Enumerate());
  EXPECT_EQ(e.GetCount(), 2);
  EXPECT_EQ(rig.setup.loadedFiles(),
            (std::vector<std::string>{"C:\\WINDOWS\\SysWOW64\\Setupapi.dll",
                                      "C:\\WINDOWS\\SysWOW64\\cfgmgr32.dll"}));
  EXPECT_TRUE(rig.machine.deviceTree.foreignBindings.empty());
  EXPECT_TRUE(rig.machine.deviceTree.foreignCalls.empty());
}

TEST(SetupBinding, BareNamesWouldHaveLoadedTheFilesBesideTheProgram) {
  // What the simulated loader does with a bare name: the reason for the full path.
  DiscoveryRig rig;
  sim::BuildIntelAhciDesktop(rig.machine);
  rig.machine.files.Put("C:\\Program Files\\Quenzar\\Setupapi.dll", {'M', 'Z', 1});
  const Handle h = rig.setup.LoadLibrary("Setupapi.dll");
  ASSERT_NE(h, kNullHandle);
  EXPECT_EQ(rig.setup.loadedFiles().back(), "C:\\Program Files\\Quenzar\\Setupapi.dll");
  EXPECT_TRUE(rig.setup.Bind(h, "SetupDiGetClassDevsA"));
  EXPECT_EQ(rig.setup.SetupDiGetClassDevs(&guids::kDiskInterface, digcf::kPresent), kInvalidHandle);
  EXPECT_EQ(rig.machine.deviceTree.foreignCalls, std::vector<std::string>{"SetupDiGetClassDevsA"});
  rig.setup.FreeLibrary(h);
}

TEST(SetupBinding, NativeProcessesOn32And64BitWindowsAlsoEnumerate) {
  for (auto [release, bitness, dir] :
       {std::tuple{sim::Windows::Win7X64, sim::Bitness::X64, "C:\\WINDOWS\\system32\\Setupapi.dll"},
        std::tuple{sim::Windows::XpPro, sim::Bitness::X86, "C:\\WINDOWS\\system32\\Setupapi.dll"}}) {
    sim::Machine m(release);
    sim::BuildIntelAhciDesktop(m);
    sim::SimWin32 api(m, bitness);
    sim::SimSetupApi setup(api);
    sim::SimWmi wmi(api);
    DeviceEnumerator e(api, setup, wmi);
    ASSERT_TRUE(e.Enumerate());
    EXPECT_EQ(e.GetCount(), 2);
    EXPECT_EQ(GetText(e.GetList()[0].DevicePath).substr(0, 8), "\\\\?\\scsi");
    EXPECT_EQ(setup.loadedFiles().front(), dir);
  }
}

}  // namespace
}  // namespace qz
