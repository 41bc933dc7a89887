// The configuration manager's resource descriptors of the controllers above the disks, any
// type and any range (an end below its base included), as discovery keeps them for the
// register transports.
#include "discovery/device_enumerator.hpp"
#include "tests/discovery/discovery_rig.hpp"
#include "tests/fuzz/fuzz_input.hpp"

using namespace qz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Input in(data, size);
  testing::DiscoveryRig rig;
  const bool ide = in.Byte() & 1;
  if (ide) {
    sim::BuildLegacyIdeMachine(rig.machine, in.Byte() & 1);
  } else {
    sim::BuildSil3124Machine(rig.machine);
  }
  sim::DeviceTree& tree = rig.machine.deviceTree;
  std::vector<int> controllers;
  for (const auto& disk : tree.disks) {
    const int parent = tree.nodes[static_cast<std::size_t>(disk.node)].parent;
    if (parent > 0) controllers.push_back(parent);
    if (parent > 0 && tree.nodes[static_cast<std::size_t>(parent)].parent > 0) {
      controllers.push_back(tree.nodes[static_cast<std::size_t>(parent)].parent);
    }
  }
  for (int c : controllers) {
    if (in.empty()) break;
    auto& node = tree.nodes[static_cast<std::size_t>(c)];
    const std::uint8_t head = in.Byte();
    if (head & 0x80) continue;  // this one keeps what it had
    node.hasAllocatedConfig = head & 0x40;
    node.allocated.clear();
    for (int r = 0; r < (head & 0x0F) && !in.empty(); ++r) {
      sim::DeviceTree::Resource res;
      const std::uint8_t kind = in.Byte();
      res.type = kind % 6;
      if (kind & 0x80) {  // anywhere in 64 bits
        res.base = in.Number(8);
        res.end = in.Number(8);
      } else {  // a small range near a 16- or 32-bit base
        res.base = in.Number((kind & 0x40) ? 4 : 2);
        res.end = res.base + in.Byte() - 1;
      }
      res.flags = static_cast<std::uint32_t>(in.Number(1));
      node.allocated.push_back(res);
    }
    if (head & 0x20) {
      auto& address = node.properties[spdrp::kAddress];
      address.regType = 4;
      const auto value = in.Number(4);
      address.data = {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
                      static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
    }
  }
  DeviceEnumerator e(rig.api, rig.setup, rig.wmi);
  e.Enumerate();
  for (int i = 0; i < e.GetCount(); ++i) {
    const DiskRegData& entry = e.GetList()[static_cast<std::size_t>(i)];
    if (entry.MemRangeCount > kMaxRanges || (entry.HasIo && entry.IoRangeCount != 2)) __builtin_trap();
  }
  return 0;
}
