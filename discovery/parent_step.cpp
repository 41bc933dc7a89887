// The parent step: the chain of device nodes above a disk, the controller's identity and the
// controller's resources.
#include <algorithm>

#include "discovery/device_enumerator.hpp"
#include "discovery/fixed_text.hpp"
#include "discovery/vendor_device.hpp"

namespace qz {
namespace {

// A chain deeper than any real device tree means the tree is not a tree.
constexpr int kMaxDepth = 64;

std::string TextOf(const std::vector<std::uint8_t>& bytes) {
  const auto end = std::find(bytes.begin(), bytes.end(), std::uint8_t{0});
  return std::string(bytes.begin(), end);
}

bool CmText(SetupApi& setup, DevInst node, std::uint32_t property, std::size_t size,
            std::string& text) {
  std::vector<std::uint8_t> buffer(size, 0);
  std::uint32_t type = 0, length = static_cast<std::uint32_t>(size);
  if (setup.CM_Get_DevNode_Registry_Property(node, property, type, buffer, length) != cr::kSuccess) {
    return false;
  }
  text = TextOf(buffer);
  return true;
}

}  // namespace

void DeviceEnumerator::ParentStep(int j) {
  DiskRegData& entry = mDiskRegData[static_cast<std::size_t>(j)];
  const std::string id = GetText(entry.DeviceInstanceId);

  debug_.Print("call fpCM_Locate_DevNode ... j=%d\n", j);
  DevInst node = 0, parent = 0;
  if (setup_.CM_Locate_DevNode(node, id) != cr::kSuccess) return;
  debug_.Print("call fpCM_Get_Parent ... j=%d\n", j);
  if (setup_.CM_Get_Parent(parent, node) != cr::kSuccess) return;

  debug_.Print("call fpCM_Get_Device_ID ... j=%d\n", j);
  entry.Parent = BuildChain(id, 0);

  debug_.Print("call fpCM_Get_DevNode_Registry_Property ... j=%d\n", j);
  std::array<std::uint8_t, 4> address{};
  std::uint32_t type = 0, length = 4;
  if (setup_.CM_Get_DevNode_Registry_Property(parent, cm_drp::kAddress, type, address, length) ==
      cr::kSuccess) {
    entry.UIAddress = address[0];
  }

  debug_.Print("Check UINumber ... j=%d\n", j);
  for (const ParentNode* p = entry.Parent.get(); p; p = p->next.get()) {
    if (!entry.HasUINumber && p->HasUINumber) {
      entry.UINumber = p->UINumber;
      entry.HasUINumber = 1;
    }
    if (p->VendorId != 0 && p->DeviceId != 0 && entry.VendorId == 0 && entry.DeviceId == 0) {
      entry.VendorId = p->VendorId;
      entry.DeviceId = p->DeviceId;
    }
  }
  if (GetText(entry.EnumeratorName).rfind("SCSI", 0) == 0) entry.UIAddress = entry.Address.PathId;

  entry.HasIo = 0;
  entry.IoRangeCount = 0;
  entry.CmdBase = entry.CmdLength = entry.CtlBase = entry.CtlLength = 0;
  entry.HasMem = 0;
  entry.MemRangeCount = 0;
  entry.MemRanges = {};

  IoResource r;
  if (GetDevInstConfig(parent, kAllocLogConf, r)) {
    StoreResources(entry, r);
    temp_.Print("regData[%d].UIAddress = %d\n", j, static_cast<int>(entry.UIAddress));
    debug_.Print("call GetDevInstConfig ... j=%d\n", j);
    TraceResources(r, "Port IO Resource (%d)\n");
  }
  if (entry.HasIo || entry.HasMem) return;

  debug_.Append("IO Address not found \n");
  DevInst grandparent = 0;
  if (setup_.CM_Get_Parent(grandparent, parent) != cr::kSuccess) return;
  debug_.Append("Get parent for IO Address \n");
  if (GetDevInstConfig(grandparent, kAllocLogConf, r)) {
    StoreResources(entry, r);
    TraceResources(r, "IO Resource (%d)\n");
    return;
  }
  // A channel of a legacy PCI IDE controller reports no ports of its own: the ports of the
  // primary and secondary channel are fixed.
  const bool ideChannel =
      entry.Parent && GetText(entry.Parent->DeviceInstanceId).find("PCIIDE\\IDECHANNEL") !=
                          std::string::npos;
  if (!entry.HasUINumber || entry.UINumber != 0 || !ideChannel) return;
  if (entry.UIAddress == 0 || entry.UIAddress == 1) {
    const bool primary = entry.UIAddress == 0;
    entry.HasIo = 1;
    entry.IoRangeCount = 2;
    entry.CmdBase = primary ? 0x1F0 : 0x170;
    entry.CmdLength = 8;
    entry.CtlBase = primary ? 0x3F6 : 0x376;
    entry.CtlLength = 1;
  }
}

void DeviceEnumerator::TraceResources(const IoResource& r, const char* ioLabel) {
  for (int t = 0; t < r.IoCount; ++t) {
    const auto& range = r.IO_Addr[static_cast<std::size_t>(t)];
    debug_.Print(ioLabel, t);
    debug_.Print("tMyIOResource.IO_Addr[t].IOD_Alloc_Base = %lX\n",
                 static_cast<unsigned long>(static_cast<std::uint32_t>(range.IOD_Alloc_Base)));
    debug_.Print("tMyIOResource.IO_Addr[t].IOD_Alloc_End = %lX\n",
                 static_cast<unsigned long>(static_cast<std::uint32_t>(range.IOD_Alloc_End)));
  }
  for (int t = 0; t < r.MemCount; ++t) {
    const auto& range = r.Mem_Addr[static_cast<std::size_t>(t)];
    debug_.Print("Mem IO Resource (%d)\n", t);
    debug_.Print("tMyIOResource.Mem_Addr[t].IOD_Alloc_Base = %lX\n",
                 static_cast<unsigned long>(static_cast<std::uint32_t>(range.IOD_Alloc_Base)));
    debug_.Print("tMyIOResource.Mem_Addr[t].IOD_Alloc_End = %lX\n",
                 static_cast<unsigned long>(static_cast<std::uint32_t>(range.IOD_Alloc_End)));
  }
}

std::unique_ptr<ParentNode> DeviceEnumerator::BuildChain(const std::string& instanceId,
                                                         int depth) {
  if (depth >= kMaxDepth) return nullptr;
  DevInst node = 0, parent = 0;
  if (setup_.CM_Locate_DevNode(node, instanceId) != cr::kSuccess) return nullptr;
  if (setup_.CM_Get_Parent(parent, node) != cr::kSuccess) return nullptr;

  auto p = std::make_unique<ParentNode>();
  std::vector<std::uint8_t> id(kPropertyTextSize, 0);
  if (setup_.CM_Get_Device_ID(parent, id) == cr::kSuccess) SetText(p->DeviceInstanceId, TextOf(id));
  ParseVendorDevice(GetText(p->DeviceInstanceId), p->VendorId, p->DeviceId);

  std::string text;
  if (CmText(setup_, parent, cm_drp::kDeviceDesc, kPropertyTextSize, text)) SetText(p->DeviceDesc, text);
  if (CmText(setup_, parent, cm_drp::kDriver, kPropertyTextSize, text)) SetText(p->Driver, text);
  if (CmText(setup_, parent, cm_drp::kClassGuid, 39, text) && text.size() >= 38 &&
      text.front() == '{') {
    if (auto guid = ParseGuid(std::string_view(text).substr(1, 36))) {
      p->ClassGuid = *guid;
      ReadSetupSide(*p);
    }
  }
  p->next = BuildChain(GetText(p->DeviceInstanceId), depth + 1);
  return p;
}

void DeviceEnumerator::ReadSetupSide(ParentNode& node) {
  const Handle set = setup_.SetupDiGetClassDevs(&node.ClassGuid, digcf::kPresent);
  if (set == kInvalidHandle) return;
  const std::string wanted = GetText(node.DeviceInstanceId);
  for (std::uint32_t i = 0;; ++i) {
    DeviceInfoData device;
    if (!setup_.SetupDiEnumDeviceInfo(set, i, device)) break;
    std::vector<std::uint8_t> id(kPropertyTextSize, 0);
    std::uint32_t required = 0;
    if (!setup_.SetupDiGetDeviceInstanceId(set, device, id, required) || TextOf(id) != wanted) {
      continue;
    }
    std::uint32_t number = 0;
    if (ReadPropertyNumber(set, device, spdrp::kBusNumber, number)) {
      node.BusNumber = static_cast<std::uint8_t>(number);
      node.HasBusNumber = 1;
    }
    if (ReadPropertyNumber(set, device, spdrp::kUiNumber, number)) {
      node.UINumber = static_cast<std::uint8_t>(number);
      node.HasUINumber = 1;
    }
    std::vector<std::uint8_t> bytes;
    if (ReadProperty(set, device, spdrp::kDriver, bytes, false)) SetText(node.Driver, TextOf(bytes));
    if (ReadProperty(set, device, spdrp::kDeviceDesc, bytes, false)) SetText(node.DeviceDesc, TextOf(bytes));
    if (ReadProperty(set, device, spdrp::kFriendlyName, bytes, false)) SetText(node.FriendlyName, TextOf(bytes));
    if (ReadPropertyNumber(set, device, spdrp::kAddress, number)) {
      node.PciDevice = static_cast<std::uint8_t>(number >> 16);
      node.PciFunction = static_cast<std::uint8_t>(number);
      node.HasPciDevice = node.HasPciFunction = 1;
    }
    if (ReadProperty(set, device, spdrp::kService, bytes, false)) SetText(node.Service, TextOf(bytes));
    break;
  }
  setup_.SetupDiDestroyDeviceInfoList(set);
}

}  // namespace qz
