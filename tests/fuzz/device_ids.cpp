// Device instance ids, hardware and compatible ids and the other texts and numbers of device
// properties, on the disks and the controllers above them, as discovery walks them (the
// parent chain, the vendor and device out of an id, the class GUID text).
#include <array>

#include "discovery/device_enumerator.hpp"
#include "discovery/vendor_device.hpp"
#include "tests/discovery/discovery_rig.hpp"
#include "tests/fuzz/fuzz_input.hpp"

using namespace qz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Input in(data, size);
  testing::DiscoveryRig rig;
  sim::BuildIntelAhciDesktop(rig.machine);
  sim::DeviceTree& tree = rig.machine.deviceTree;
  std::vector<int> nodes;
  for (const auto& disk : tree.disks) {
    for (int n = disk.node, depth = 0; n > 0 && depth < 3; n = tree.nodes[n].parent, ++depth) {
      nodes.push_back(n);
    }
  }
  static constexpr std::array<std::uint32_t, 13> kCodes = {
      spdrp::kHardwareId, spdrp::kCompatibleIds, spdrp::kFriendlyName, spdrp::kDeviceDesc,
      spdrp::kDriver,     spdrp::kService,       spdrp::kEnumeratorName, spdrp::kClassGuid,
      spdrp::kLocationInformation, spdrp::kUiNumber, spdrp::kBusNumber, spdrp::kAddress,
      spdrp::kPhysicalDeviceObjectName};
  for (int node : nodes) {
    if (in.empty()) break;
    const auto mask = in.Number(2);
    if (mask & 1) {
      const std::string id = in.Text();
      std::uint16_t vendor = 0, device = 0;
      if (!ParseVendorDevice(id, vendor, device) && (vendor || device)) __builtin_trap();
      tree.nodes[static_cast<std::size_t>(node)].instanceId = id;
    }
    for (std::size_t k = 0; k < kCodes.size(); ++k) {
      if (!(mask & (2u << k))) continue;
      auto& property = tree.nodes[static_cast<std::size_t>(node)].properties[kCodes[k]];
      property.regType = in.Byte() % 8;
      const std::string text = in.Text();
      property.data.assign(text.begin(), text.end());
    }
  }
  DeviceEnumerator e(rig.api, rig.setup, rig.wmi);
  e.Enumerate();
  if (e.GetCount() < 0 || static_cast<std::size_t>(e.GetCount()) > e.GetList().size()) __builtin_trap();
  return 0;
}
