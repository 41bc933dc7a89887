#include <gtest/gtest.h>

#include "discovery/fixed_text.hpp"
#include "discovery/wmi_query.hpp"
#include "discovery_rig.hpp"

namespace qz {
namespace {

using testing::DiscoveryRig;

struct WmiRig : DiscoveryRig {
  explicit WmiRig(sim::Windows release = sim::Windows::Win7X64) : DiscoveryRig(release) {
    sim::BuildIntelAhciDesktop(machine);
  }
  WmiDiskQuery Query() {
    return WmiDiskQuery(api, wmi, trace, machine.version.majorVersion, machine.version.minorVersion);
  }
  TraceFile trace{api, "C:\\TEMP\\DEBUG.TXT"};
};

sim::WmiInstance Partition(const std::string& disk, const std::string& letter) {
  sim::WmiInstance w;
  w.Set("Antecedent", "\\\\QZ-PC\\root\\cimv2:Win32_DiskPartition.DeviceID=\"Disk #" + disk +
                          ", Partition #0\"");
  w.Set("Dependent", "\\\\QZ-PC\\root\\cimv2:Win32_LogicalDisk.DeviceID=\"" + letter + "\"");
  return w;
}

TEST(WmiQuery, CountsDisksWithTheComStepsInOrder) {
  WmiRig rig;
  auto q = rig.Query();
  EXPECT_EQ(q.DiskCount(), 2);
  EXPECT_EQ(rig.machine.wmi.calls,
            (std::vector<std::string>{"CoInitialize", "CoInitializeSecurity", "CoCreateInstance",
                                      "ConnectServer", "CoSetProxyBlanket", "ExecQuery",
                                      "CoUninitialize"}));
  EXPECT_EQ(rig.machine.wmi.lastConnectFlags, 0x80);
  EXPECT_EQ(rig.wmi.OpenObjectCount(), 0u);
  EXPECT_EQ(rig.wmi.ComDepth(), 0);
}

TEST(WmiQuery, ConnectionWaitsOnlyFromWindowsXpOn) {
  for (auto [release, flags] : {std::pair{sim::Windows::Win2000, 0}, std::pair{sim::Windows::XpPro, 0x80},
                                std::pair{sim::Windows::VistaX86, 0x80}}) {
    WmiRig rig(release);
    EXPECT_EQ(rig.Query().DiskCount(), 2);
    EXPECT_EQ(rig.machine.wmi.lastConnectFlags, flags);
  }
}

TEST(WmiQuery, LinesForOnePropertyOrForAll) {
  WmiRig rig;
  auto q = rig.Query();
  std::vector<std::string> lines;
  int count = 0;
  const std::string model = "Model";
  ASSERT_TRUE(q.WmiQuery("Win32_DiskDrive", &lines, &model, count));
  EXPECT_EQ(count, 2);
  EXPECT_EQ(lines, (std::vector<std::string>{"Model=VORTANIX QRX-480T9A", "Model=HALDEN HD2T-7200"}));

  lines.clear();
  ASSERT_TRUE(q.WmiQuery("Win32_DiskDrive", &lines, nullptr, count));
  // Array values are joined; a null value gives an empty text.
  EXPECT_NE(std::find(lines.begin(), lines.end(), "Capabilities=3, 4"), lines.end());
  EXPECT_NE(std::find(lines.begin(), lines.end(),
                      "CapabilityDescriptions=Random Access, Supports Writing"),
            lines.end());
  EXPECT_NE(std::find(lines.begin(), lines.end(), "Availability="), lines.end());
  EXPECT_EQ(lines.size(), 2u * 34u);
}

TEST(WmiQuery, ValueText) {
  EXPECT_EQ(WmiValueText(WmiValue{}), "");
  EXPECT_EQ(WmiValueText(WmiValue{false, {"12"}}), "12");
  EXPECT_EQ(WmiValueText(WmiValue{true, {"a", "b", "c"}}), "a, b, c");
  EXPECT_EQ(WmiValueText(WmiValue{true, {}}), "");
}

TEST(WmiQuery, EveryFailingComStepEndsTheQueryCleanly) {
  for (const char* step : {"CoInitialize", "CoCreateInstance", "ConnectServer", "CoSetProxyBlanket",
                           "ExecQuery"}) {
    WmiRig rig;
    rig.machine.wmi.failingSteps.insert(step);
    auto q = rig.Query();
    int count = -1;
    EXPECT_FALSE(q.WmiQuery("Win32_DiskDrive", nullptr, nullptr, count)) << step;
    EXPECT_EQ(q.DiskCount(), 0) << step;
    std::vector<WmiDiskInfo> records;
    EXPECT_FALSE(q.DiskRecords(records)) << step;
    EXPECT_TRUE(records.empty());
    EXPECT_EQ(rig.wmi.OpenObjectCount(), 0u) << step;
    EXPECT_EQ(rig.wmi.ComDepth(), 0) << step;
  }
}

TEST(WmiQuery, SecurityFailureIsTracedAndIgnored) {
  WmiRig rig;
  rig.machine.wmi.failingSteps.insert("CoInitializeSecurity");
  EXPECT_EQ(rig.Query().DiskCount(), 2);
  EXPECT_EQ(rig.TempLines(),
            (std::vector<std::string>{"CoInitialize", "CoInitializeSecurity",
                                      "CoInitializeSecurity failed", "CoCreateInstance",
                                      "ConnectServer", "CoSetProxyBlanket", "ExecQuery",
                                      "Process enumerator", "Process enumerator"}));
}

TEST(WmiQuery, StoppedServiceIsStartedOnce) {
  WmiRig rig;
  rig.machine.services.Find("Winmgmt")->state = service_state::kStopped;
  EXPECT_EQ(rig.Query().DiskCount(), 2);
  EXPECT_EQ(DiscoveryRig::Count(rig.TempLines(), "Service not running"), 1);
  EXPECT_EQ(rig.machine.services.Find("Winmgmt")->state, service_state::kRunning);
  EXPECT_EQ(rig.api.OpenHandleCount(), 0u);
}

TEST(WmiQuery, ServiceThatWillNotStartIsTriedThreeTimes) {
  WmiRig rig;
  rig.machine.services.Find("Winmgmt")->state = service_state::kStopped;
  rig.machine.services.FailStart("Winmgmt");
  const std::uint32_t before = rig.machine.clock.TickCount();
  int count = -1;
  EXPECT_FALSE(rig.Query().WmiQuery("Win32_DiskDrive", nullptr, nullptr, count));
  EXPECT_EQ(count, 0);
  EXPECT_EQ(rig.TempLines(), (std::vector<std::string>{"Service not running", "Service not running",
                                                       "Service not running", "wmi error"}));
  // Each attempt polls every half second for twenty seconds.
  const std::uint32_t waited = rig.machine.clock.TickCount() - before;
  EXPECT_GE(waited, 59990u);  // the tick count rounds down
  EXPECT_LT(waited, 62000u);
  EXPECT_TRUE(rig.machine.wmi.calls.empty());
  EXPECT_EQ(rig.api.OpenHandleCount(), 0u);
}

TEST(WmiQuery, MissingServiceCountsNothing) {
  WmiRig rig;
  rig.machine.services.Remove("Winmgmt");
  EXPECT_EQ(rig.Query().DiskCount(), 0);
}

TEST(LogicalDiskMap, LettersGoToTheirDisks) {
  WmiRig rig;
  rig.machine.wmi.extraInstances.emplace_back("Win32_LogicalDiskToPartition", Partition("3", "c:"));
  rig.machine.wmi.extraInstances.emplace_back("Win32_LogicalDiskToPartition", Partition("25", "Z:"));
  rig.machine.wmi.extraInstances.emplace_back("Win32_LogicalDiskToPartition", Partition("26", "Y:"));
  LogicalDiskMapArray map;
  ASSERT_TRUE(rig.Query().LogicalDiskMap(map));
  // From the machine: C and D on disk 0, E on disk 1.
  EXPECT_EQ(map[0].Letters['C' - 'A'], 1);
  EXPECT_EQ(map[0].Letters['D' - 'A'], 1);
  EXPECT_EQ(map[1].DiskNumber, 1u);
  EXPECT_EQ(map[1].Letters['E' - 'A'], 1);
  // C of disk 3 (lower case upper-cased) sets element 3 only.
  EXPECT_EQ(map[3].DiskNumber, 3u);
  EXPECT_EQ(map[3].Letters['C' - 'A'], 1);
  int flags3 = 0;
  for (auto f : map[3].Letters) flags3 += f;
  EXPECT_EQ(flags3, 1);
  EXPECT_EQ(map[25].Letters['Z' - 'A'], 1);
  // Disk 26 is beyond the map; no element took Y.
  for (const auto& element : map) EXPECT_EQ(element.Letters['Y' - 'A'], 0);
  // A disk without partitions has no flags.
  for (auto f : map[2].Letters) EXPECT_EQ(f, 0);
}

TEST(LogicalDiskMap, DifferingCountsLeaveItEmpty) {
  WmiRig rig;
  // A partition that shows up between the Antecedent and the Dependent query.
  auto late = Partition("1", "F:");
  late.hiddenForQueries = 1;
  rig.machine.wmi.extraInstances.emplace_back("Win32_LogicalDiskToPartition", late);
  LogicalDiskMapArray map;
  map[0].Letters[0] = 1;
  EXPECT_FALSE(rig.Query().LogicalDiskMap(map));
  for (const auto& element : map) {
    for (auto f : element.Letters) EXPECT_EQ(f, 0);
  }
  // Once it is there for both queries, the map is whole.
  EXPECT_TRUE(rig.Query().LogicalDiskMap(map));
  EXPECT_EQ(map[1].Letters['F' - 'A'], 1);
}

TEST(LogicalDiskMap, KeyNameIsMatchedWithoutCase) {
  WmiRig rig;
  rig.machine.deviceTree.disks.clear();
  sim::WmiInstance w;
  w.Set("Antecedent", "\\\\VM\\ROOT\\CIMV2:Win32_DiskPartition.DeviceId=\"Disk #1, Partition #0\"");
  w.Set("Dependent", "\\\\VM\\ROOT\\CIMV2:Win32_LogicalDisk.DeviceId=\"Z:\"");
  rig.machine.wmi.extraInstances.emplace_back("Win32_LogicalDiskToPartition", w);
  LogicalDiskMapArray map;
  ASSERT_TRUE(rig.Query().LogicalDiskMap(map));
  EXPECT_EQ(map[1].Letters['Z' - 'A'], 1);
}

TEST(LogicalDiskMap, QueryFailureLeavesItEmpty) {
  WmiRig rig;
  rig.machine.wmi.failingSteps.insert("ExecQuery");
  LogicalDiskMapArray map;
  map[4].Letters[4] = 1;
  EXPECT_FALSE(rig.Query().LogicalDiskMap(map));
  EXPECT_EQ(map[4].Letters[4], 0);
}

TEST(LogicalDiskMap, TextThatDoesNotConvertStopsTheWalk) {
  WmiRig rig;
  rig.machine.deviceTree.disks.clear();
  rig.machine.wmi.extraInstances.emplace_back("Win32_LogicalDiskToPartition", Partition("1", "K:"));
  rig.machine.wmi.extraInstances.emplace_back("Win32_LogicalDiskToPartition", Partition("x", "L:"));
  rig.machine.wmi.extraInstances.emplace_back("Win32_LogicalDiskToPartition", Partition("2", "M:"));
  LogicalDiskMapArray map;
  EXPECT_FALSE(rig.Query().LogicalDiskMap(map));
  EXPECT_EQ(map[1].Letters['K' - 'A'], 1);
  EXPECT_EQ(map[2].Letters['M' - 'A'], 0);
}

TEST(DiskRecords, OneRecordPerDiskInWmiOrder) {
  WmiRig rig;
  std::vector<WmiDiskInfo> records;
  ASSERT_TRUE(rig.Query().DiskRecords(records));
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(GetText(records[0].DeviceID), "\\\\.\\PHYSICALDRIVE0");
  EXPECT_EQ(GetText(records[1].Name), "\\\\.\\PHYSICALDRIVE1");
  EXPECT_EQ(GetText(records[0].MediaType), "Fixed hard disk media");
  EXPECT_EQ(std::string(records[0].FirmwareRevision.data(), 4), "VRD5");
  EXPECT_EQ(records[1].Index, 1);
  EXPECT_EQ(records[0].Partitions, 2);
  EXPECT_EQ(records[0].BytesPerSector, 512u);
  EXPECT_EQ(records[0].TotalHeads, 255u);
  EXPECT_EQ(records[0].Signature, 0x5A17C0DEu);
  EXPECT_EQ(records[0].Size, records[0].TotalSectors * 512);
  EXPECT_GT(records[0].Size, 400000000000ull);
  EXPECT_TRUE(rig.TempLines().empty()) << "only a stopped service is traced";
}

TEST(DiskRecords, FailingPropertyLeavesItsFieldAsItIs) {
  WmiRig rig;
  rig.machine.wmi.failingProperties.insert("Model");
  std::vector<WmiDiskInfo> records;
  ASSERT_TRUE(rig.Query().DiskRecords(records));
  EXPECT_EQ(GetText(records[0].Model), "");
  EXPECT_EQ(GetText(records[0].Caption), "VORTANIX QRX-480T9A");
}

TEST(DiskRecords, FailingNamesLeaveEmptyRecords) {
  WmiRig rig;
  rig.machine.wmi.failingSteps.insert("GetNames");
  std::vector<WmiDiskInfo> records;
  ASSERT_TRUE(rig.Query().DiskRecords(records));
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(GetText(records[1].DeviceID), "");
  EXPECT_EQ(records[1].Index, 0);
}

}  // namespace
}  // namespace qz
