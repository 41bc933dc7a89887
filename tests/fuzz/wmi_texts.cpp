// What WMI says about disks and partitions, as texts: the disk records with every property
// under any name, and the partition-to-letter pairs, through the whole discovery walk (disk
// count, drive-letter map, records attached by index and "PHYSICALDRIVE" number).
#include "discovery/device_enumerator.hpp"
#include "discovery/trace_file.hpp"
#include "discovery/wmi_disk_info.hpp"
#include "discovery/wmi_query.hpp"
#include "tests/discovery/discovery_rig.hpp"
#include "tests/fuzz/fuzz_input.hpp"

using namespace qz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Input in(data, size);
  testing::DiscoveryRig rig;
  sim::BuildIntelAhciDesktop(rig.machine);
  // Byte 0: bit 0 drops the layout's own partitions, bit 1 runs the whole discovery walk.
  const std::uint8_t mode = in.Byte();
  if (mode & 1) rig.machine.wmi.extraInstances.clear();
  const int instances = in.Byte() % 6;
  for (int i = 0; i < instances && !in.empty(); ++i) {
    const std::uint8_t head = in.Byte();
    const char* className = (head & 1) ? "Win32_LogicalDiskToPartition" : "Win32_DiskDrive";
    sim::WmiInstance instance;
    for (int p = 0; p < ((head >> 1) & 0x0F) && !in.empty(); ++p) {
      const std::uint8_t how = in.Byte();
      const std::string name = in.Text();
      if (how % 4 == 0) {
        instance.SetNull(name);
      } else if (how % 4 == 1) {
        instance.SetArray(name, {in.Text(), in.Text()});
      } else {
        const std::string text = in.Text();
        WmiDiskInfo direct;
        StoreWmiProperty(direct, name, text);
        instance.Set(name, text);
      }
    }
    rig.machine.wmi.extraInstances.emplace_back(className, std::move(instance));
  }
  if (!(mode & 2)) {
    // The queries alone: the whole walk repeats itself up to 11 times when WMI counts more
    // disks than the Setup API finds, which makes it slow to fuzz.
    TraceFile trace(rig.api, "C:\\TEMP\\DEBUG.TXT");
    WmiDiskQuery query(rig.api, rig.wmi, trace, 6, 1);
    query.DiskCount();
    LogicalDiskMapArray map{};
    query.LogicalDiskMap(map);
    std::vector<WmiDiskInfo> records;
    query.DiskRecords(records);
    return 0;
  }
  DeviceEnumerator e(rig.api, rig.setup, rig.wmi);
  e.Enumerate();
  for (int i = 0; i < e.GetCount(); ++i) {
    const auto& info = e.GetList()[static_cast<std::size_t>(i)].WmiInfo;
    if (info && info->DeviceID.back() != 0) __builtin_trap();
  }
  return 0;
}
