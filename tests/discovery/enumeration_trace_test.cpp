// One whole enumeration of a one-disk machine, line by line, in both trace files.
#include <gtest/gtest.h>

#include "discovery/device_enumerator.hpp"
#include "discovery_rig.hpp"

namespace qz {
namespace {

using testing::DiscoveryRig;

void BuildOneDiskMachine(sim::Machine& m) {
  const int bus = sim::InstallDiscoveryBasics(m);
  sim::PciFunction pci{"PCI\\VEN_8086&DEV_2829&SUBSYS_20DB17AA&REV_03\\3&21436425&0&FA",
                       "Intel(R) ICH8M SATA AHCI Controller", "msahci", 31, 2, -1};
  const int c = sim::AddPciController(m, bus, guids::kHdcClass, pci);
  m.deviceTree.AddIo(c, 0xC000, 8);
  m.deviceTree.AddIo(c, 0xC400, 4);
  m.deviceTree.AddIrq(c, 16);
  m.deviceTree.AddMemory(c, 0xF0000000, 0x800);
  sim::DiskSpec d;
  d.parent = c;
  d.instanceId = "SCSI\\DISK&VEN_VORTANIX&PROD_QRX-480T9A\\4&1D2C3B4A&0&000000";
  d.hardwareIds = {"SCSI\\DiskVORTANIXQRX-480T9A______VRD5", "GenDisk"};
  d.friendlyName = "VORTANIX QRX-480T9A SCSI Disk Device";
  d.description.letters = {'C'};
  sim::AddDisk(m, d);
}

const char* const kSupport[] = {"Check sysytem support", "Check sysytem support ok"};

std::vector<std::string> DriverWalk(bool hdcMember) {
  std::vector<std::string> lines = {kSupport[0], kSupport[1], "call fpSetupDiGetClassDevs",
                                    "call fpSetupDiEnumDeviceInfo"};
  const char* drivers[] = {"{4d36e97d-e325-11ce-bfc1-08002be10318}\\0000",
                           "{4d36e97d-e325-11ce-bfc1-08002be10318}\\0001",
                           "{4d36e97d-e325-11ce-bfc1-08002be10318}\\0002",
                           "{4d36e96a-e325-11ce-bfc1-08002be10318}\\0000",
                           "{4d36e967-e325-11ce-bfc1-08002be10318}\\0000"};
  for (int i = 0; i < 5; ++i) {
    lines.push_back("call fpSetupDiGetDeviceRegistryProperty(SPDRP_DRIVER)...i=" + std::to_string(i));
    lines.push_back(std::string("DRIVER = ") + drivers[i] + "...i=" + std::to_string(i));
    if (i == 3 && hdcMember) {
      for (const char* l :
           {"call SetupDiGetDeviceInstanceId",
            "DeviceInstanceID = PCI\\VEN_8086&DEV_2829&SUBSYS_20DB17AA&REV_03\\3&21436425&0&FA",
            "call fpSetupDiGetDeviceRegistryProperty(SPDRP_DEVICEDESC)",
            "call fpSetupDiGetDeviceRegistryProperty(SPDRP_ENUMERATOR_NAME)",
            "call fpSetupDiGetDeviceRegistryProperty(SPDRP_PHYSICAL_DEVICE_OBJECT_NAME)",
            "call fpSetupDiGetDeviceRegistryProperty(SPDRP_LOCATION_INFORMATION)",
            "call fpSetupDiGetDeviceRegistryProperty(SPDRP_HARDWAREID)",
            "call fpSetupDiGetDeviceRegistryProperty(SPDRP_COMPATIBLEIDS)",
            "call fpSetupDiGetDeviceRegistryProperty(SPDRP_FRIENDLYNAME)"}) {
        lines.push_back(l);
      }
    }
  }
  lines.push_back("call fpSetupDiDestroyDeviceInfoList");
  return lines;
}

TEST(EnumerationTrace, DebugFileOfOneEnumeration) {
  DiscoveryRig rig;
  BuildOneDiskMachine(rig.machine);
  {
    DeviceEnumerator e(rig.api, rig.setup, rig.wmi);
    ASSERT_TRUE(e.Enumerate());
    ASSERT_EQ(e.GetCount(), 1);
  }
  std::vector<std::string> expected = {"Constructor ok ", kSupport[0], kSupport[1],
                                       "new memory for mDiskRegData", "call GetDiskRegistryInfo",
                                       kSupport[0], kSupport[1],
                                       "call GetGuidRegistryInfo(DiskClassGuid)", kSupport[0],
                                       kSupport[1], "call GetScsiAddr", "dwCount = 1",
                                       "Rearrange Array", "Rearrange Array ok",
                                       "call GetGuidRegistryInfoByDriver(GUID_DEVCLASS_HDC)"};
  for (const auto& l : DriverWalk(true)) expected.push_back(l);
  expected.push_back("dwCountDriver = 1");
  expected.push_back("call GetGuidRegistryInfoByDriver(GUID_DEVCLASS_SCSIADAPTER)");
  for (const auto& l : DriverWalk(false)) expected.push_back(l);
  for (const char* l : {"call fpCM_Locate_DevNode ... j=0", "call fpCM_Get_Parent ... j=0",
                        "call fpCM_Get_Device_ID ... j=0",
                        "call fpCM_Get_DevNode_Registry_Property ... j=0", "Check UINumber ... j=0",
                        "call GetDevInstConfig ... j=0", "Port IO Resource (0)",
                        "tMyIOResource.IO_Addr[t].IOD_Alloc_Base = C000",
                        "tMyIOResource.IO_Addr[t].IOD_Alloc_End = C007", "Mem IO Resource (0)",
                        "tMyIOResource.Mem_Addr[t].IOD_Alloc_Base = F0000000",
                        "tMyIOResource.Mem_Addr[t].IOD_Alloc_End = F00007FF",
                        "Deconstructor ok "}) {
    expected.push_back(l);
  }
  EXPECT_EQ(rig.DebugLines(), expected);
  // Text-mode lines: every line ends in CR LF.
  const std::string raw = *rig.machine.files.GetText("C:\\DEBUG.TXT");
  EXPECT_EQ(raw.substr(0, 17), "Constructor ok \r\n");
}

TEST(EnumerationTrace, TemporaryFileOfOneEnumeration) {
  DiscoveryRig rig;
  BuildOneDiskMachine(rig.machine);
  rig.machine.files.PutText("C:\\TEMP\\DEBUG.TXT", "left from an earlier run\r\n");
  DeviceEnumerator e(rig.api, rig.setup, rig.wmi);
  ASSERT_TRUE(e.Enumerate());

  const std::vector<std::string> query = {"CoInitialize",      "CoInitializeSecurity",
                                          "CoCreateInstance",  "ConnectServer",
                                          "CoSetProxyBlanket", "ExecQuery",
                                          "Process enumerator"};
  std::vector<std::string> expected = query;
  for (int i = 0; i < 2; ++i) {
    expected.insert(expected.end(), query.begin(), query.end());
    expected.push_back("GetNames OK");
  }
  for (const char* l : {"call fpSetupDiGetClassDevs", "Enter while loop",
                        "call fpSetupDiEnumDeviceInterfaces",
                        "call fpSetupDiGetDeviceInterfaceDetail", "nCount = 0",
                        "call fpSetupDiGetDeviceRegistryProperty SPDRP_DEVICEDESC",
                        "Last Error = 122", "ERROR_INSUFFICIENT_BUFFER found", "Buffer needed = 11",
                        "call fpSetupDiGetDeviceRegistryProperty SPDRP_ENUMERATOR_NAME",
                        "call fpSetupDiGetDeviceRegistryProperty SPDRP_PHYSICAL_DEVICE_OBJECT_NAME",
                        "call fpSetupDiGetDeviceRegistryProperty SPDRP_DRIVER",
                        "call fpSetupDiGetDeviceRegistryProperty SPDRP_SERVICE",
                        "call fpSetupDiGetDeviceRegistryProperty SPDRP_LOCATION_INFORMATION",
                        "call fpSetupDiGetDeviceRegistryProperty SPDRP_HARDWAREID",
                        "call fpSetupDiGetDeviceRegistryProperty SPDRP_COMPATIBLEIDS",
                        "call fpSetupDiGetDeviceRegistryProperty SPDRP_FRIENDLYNAME",
                        "call fpSetupDiDestroyDeviceInfoList",
                        "<< ========== Enter GetDevInstConfig ========== >>",
                        " Call fpCM_Get_First_Log_Conf",
                        " Call While loop fpCM_Get_Next_Res_Des ",
                        " Call fpCM_Get_Res_Des_Data",
                        " Call fpCM_Get_Res_Des_Data", " Call fpCM_Free_Res_Des_Handle",
                        " Call fpCM_Get_Res_Des_Data", " Call fpCM_Free_Res_Des_Handle",
                        " Call fpCM_Get_Res_Des_Data", " Call fpCM_Free_Res_Des_Handle",
                        "regData[0].UIAddress = 0"}) {
    expected.push_back(l);
  }
  EXPECT_EQ(rig.TempLines(), expected);
  EXPECT_EQ(e.TempTracePath(), "C:\\TEMP\\DEBUG.TXT");
}

TEST(EnumerationTrace, TraceFilesThatCannotBeWrittenAreSkipped) {
  DiscoveryRig rig;
  BuildOneDiskMachine(rig.machine);
  rig.machine.files.FailCreate("C:\\DEBUG.TXT");
  rig.machine.files.FailOpen("C:\\TEMP\\DEBUG.TXT");
  DeviceEnumerator e(rig.api, rig.setup, rig.wmi);
  ASSERT_TRUE(e.Enumerate());
  EXPECT_EQ(e.GetCount(), 1);
  EXPECT_FALSE(rig.machine.files.Find("C:\\DEBUG.TXT"));
}

TEST(EnumerationTrace, FailedStartOfTheWmiServiceIsTraced) {
  DiscoveryRig rig;
  BuildOneDiskMachine(rig.machine);
  rig.machine.services.Find("Winmgmt")->state = service_state::kStopped;
  rig.machine.services.FailStart("Winmgmt");
  DeviceEnumerator e(rig.api, rig.setup, rig.wmi);
  ASSERT_TRUE(e.Enumerate());
  const auto temp = rig.TempLines();
  // Three attempts each for the count, the first logical-disk query (the second is not
  // run) and the records.
  EXPECT_EQ(DiscoveryRig::Count(temp, "Service not running"), 9);
  EXPECT_EQ(DiscoveryRig::Count(temp, "wmi error"), 2);
  EXPECT_EQ(DiscoveryRig::Count(temp, "CoInitialize"), 0);
  EXPECT_EQ(e.GetCount(), 0);
  // Each attempt waited 20 seconds for the service.
  EXPECT_GE(rig.machine.clock.TickCount(), 9u * 20000u);
}

}  // namespace
}  // namespace qz
