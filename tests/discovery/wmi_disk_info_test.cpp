#include <gtest/gtest.h>

#include "discovery/device_enumerator.hpp"
#include "discovery/fixed_text.hpp"
#include "discovery/wmi_disk_info.hpp"
#include "discovery_rig.hpp"

namespace qz {
namespace {

TEST(WmiDiskInfo, TextsAreCutToTheirWidths) {
  WmiDiskInfo info;
  EXPECT_TRUE(StoreWmiProperty(info, "InterfaceType", std::string(40, 'i')));
  EXPECT_EQ(GetText(info.InterfaceType), std::string(31, 'i'));
  EXPECT_TRUE(StoreWmiProperty(info, "Model", std::string(70, 'm')));
  EXPECT_EQ(GetText(info.Model), std::string(63, 'm'));
  EXPECT_TRUE(StoreWmiProperty(info, "Caption", "short"));
  EXPECT_EQ(GetText(info.Caption), "short");
}

TEST(WmiDiskInfo, FirmwareRevisionFillsAllEightBytes) {
  WmiDiskInfo info;
  StoreWmiProperty(info, "FirmwareRevision", "ABCDEFGHIJ");
  EXPECT_EQ(std::string(info.FirmwareRevision.data(), 8), "ABCDEFGH");
  EXPECT_EQ(info.Index, 0) << "nothing runs over into the next field";
  StoreWmiProperty(info, "FirmwareRevision", "V1");
  EXPECT_EQ(std::string(info.FirmwareRevision.data(), 3), std::string("V1\0", 3));
}

TEST(WmiDiskInfo, NumbersConvertAndKeepTheLowHalf) {
  WmiDiskInfo info;
  EXPECT_TRUE(StoreWmiProperty(info, "Index", "3"));
  EXPECT_TRUE(StoreWmiProperty(info, "SCSIBus", "-1"));
  EXPECT_TRUE(StoreWmiProperty(info, "Signature", "4294967297"));  // 2^32 + 1
  EXPECT_TRUE(StoreWmiProperty(info, "TotalHeads", "255"));
  EXPECT_TRUE(StoreWmiProperty(info, "Size", "18446744073709551615"));
  EXPECT_TRUE(StoreWmiProperty(info, "TotalSectors", "937697985"));
  EXPECT_EQ(info.Index, 3);
  EXPECT_EQ(info.SCSIBus, -1);
  EXPECT_EQ(info.Signature, 1u);
  EXPECT_EQ(info.TotalHeads, 255u);
  EXPECT_EQ(info.Size, ~std::uint64_t{0});
  EXPECT_EQ(info.TotalSectors, 937697985u);
}

TEST(WmiDiskInfo, UnknownNamesAndNonNumbersChangeNothing) {
  WmiDiskInfo info;
  info.Partitions = 4;
  EXPECT_FALSE(StoreWmiProperty(info, "Partitions", "four"));
  EXPECT_FALSE(StoreWmiProperty(info, "Partitions", "4x"));
  EXPECT_FALSE(StoreWmiProperty(info, "SerialNumber", "XYZ"));
  EXPECT_FALSE(StoreWmiProperty(info, "Indexes", "7"));
  EXPECT_EQ(info.Partitions, 4);
  EXPECT_EQ(info.Index, 0);
  // WMI names compare without case.
  EXPECT_TRUE(StoreWmiProperty(info, "DeviceId", "\\\\.\\PHYSICALDRIVE2"));
  EXPECT_EQ(GetText(info.DeviceID), "\\\\.\\PHYSICALDRIVE2");
}

TEST(AttachWmiRecords, LaterRecordOnTheSameIndexReplacesTheEarlier) {
  testing::DiscoveryRig rig;
  sim::BuildIntelAhciDesktop(rig.machine);
  sim::WmiInstance twin;
  twin.Set("DeviceID", "\\\\.\\PHYSICALDRIVE1");
  twin.Set("Index", "0");
  twin.Set("Model", "SECOND RECORD");
  rig.machine.wmi.extraInstances.emplace_back("Win32_DiskDrive", twin);
  // The expected count is now three; the Setup API finds two, which is kept after retries.
  DeviceEnumerator e(rig.api, rig.setup, rig.wmi);
  ASSERT_TRUE(e.Enumerate());
  ASSERT_EQ(e.GetCount(), 2);
  const DiskRegData& d = e.GetList()[0];
  ASSERT_TRUE(d.WmiInfo);
  EXPECT_EQ(GetText(d.WmiInfo->Model), "SECOND RECORD");
  // The letters follow the record's own DeviceID: disk 1 has E only.
  EXPECT_EQ(d.DriveLetters['E' - 'A'], 1);
  EXPECT_EQ(d.DriveLetters['C' - 'A'], 0);
}

TEST(AttachWmiRecords, DeviceIdWithoutANumberGivesNoLetters) {
  testing::DiscoveryRig rig;
  sim::BuildIntelAhciDesktop(rig.machine);
  rig.machine.deviceTree.disks[1].listedByWmi = false;
  for (const char* id : {"\\\\.\\PHYSICALDRIVE", "\\\\.\\PHYSICALDRIVE 30", "DISK1"}) {
    sim::WmiInstance w;
    w.Set("DeviceID", id);
    w.Set("Index", "1");
    rig.machine.wmi.extraInstances.emplace_back("Win32_DiskDrive", w);
  }
  DeviceEnumerator e(rig.api, rig.setup, rig.wmi);
  ASSERT_TRUE(e.Enumerate());
  ASSERT_EQ(e.GetCount(), 2);
  const DiskRegData& d = e.GetList()[1];
  ASSERT_TRUE(d.WmiInfo);
  EXPECT_EQ(GetText(d.WmiInfo->DeviceID), "DISK1");
  for (auto f : d.DriveLetters) EXPECT_EQ(f, 0);
  // Disk 0 keeps its own.
  EXPECT_EQ(e.GetList()[0].DriveLetters['C' - 'A'], 1);
}

}  // namespace
}  // namespace qz
