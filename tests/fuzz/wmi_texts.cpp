// What WMI says about disks and partitions, as texts: the disk records with every property
// under any name, and the partition-to-letter pairs, through the whole discovery walk (disk
// count, drive-letter map, records attached by index and "PHYSICALDRIVE" number).
#include "discovery/device_enumerator.hpp"
#include "discovery/wmi_disk_info.hpp"
#include "tests/discovery/discovery_rig.hpp"
#include "tests/fuzz/fuzz_input.hpp"

using namespace qz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Input in(data, size);
  testing::DiscoveryRig rig;
  sim::BuildIntelAhciDesktop(rig.machine);
  if (in.Byte() & 1) rig.machine.wmi.extraInstances.clear();
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
  DeviceEnumerator e(rig.api, rig.setup, rig.wmi);
  e.Enumerate();
  for (int i = 0; i < e.GetCount(); ++i) {
    const auto& info = e.GetList()[static_cast<std::size_t>(i)].WmiInfo;
    if (info && info->DeviceID.back() != 0) __builtin_trap();
  }
  return 0;
}
