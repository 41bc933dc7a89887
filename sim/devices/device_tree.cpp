#include "sim/devices/device_tree.hpp"

#include <cstdio>

#include "platform/little_endian.hpp"
#include "platform/setup_api.hpp"
#include "platform/text.hpp"

namespace qz::sim {
namespace {

std::vector<std::uint8_t> TextBytes(const std::string& text) {
  std::vector<std::uint8_t> bytes(text.begin(), text.end());
  bytes.push_back(0);
  return bytes;
}

std::string LowerAscii(std::string text) {
  for (char& c : text) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
  return text;
}

constexpr std::uint32_t kRegSz = 1, kRegDword = 4, kRegMultiSz = 7;
constexpr std::uint32_t kIoFlags = 0x11;   // fIOD_IO | fIOD_16_BIT_DECODE
constexpr std::uint32_t kMemFlags = 0x03;  // fMD_RAM | fMD_32

}  // namespace

DeviceTree::DeviceTree() {
  Node root;
  root.instanceId = "HTREE\\ROOT\\0";
  nodes.push_back(root);
}

int DeviceTree::Add(const std::string& instanceId, int parent, const Guid& setupClass) {
  Node node;
  node.instanceId = instanceId;
  node.parent = parent;
  node.classGuid = setupClass;
  nodes.push_back(node);
  const int index = static_cast<int>(nodes.size()) - 1;
  const std::string classText = LowerAscii(FormatGuid(setupClass));
  char driver[64];
  std::snprintf(driver, sizeof(driver), "%s\\%04d", classText.c_str(),
                driverCounts_[classText]++);
  SetText(index, spdrp::kClassGuid, classText);
  SetText(index, spdrp::kDriver, driver);
  // The enumerator is the first part of the instance id.
  SetText(index, spdrp::kEnumeratorName, instanceId.substr(0, instanceId.find('\\')));
  return index;
}

int DeviceTree::Find(const std::string& instanceId) const {
  for (std::size_t i = 0; i < nodes.size(); ++i) {
    if (EqualsIgnoreCase(nodes[i].instanceId, instanceId)) return static_cast<int>(i);
  }
  return -1;
}

void DeviceTree::SetText(int node, std::uint32_t code, const std::string& text) {
  nodes[node].properties[code] = Property{kRegSz, TextBytes(text)};
}

void DeviceTree::SetMultiText(int node, std::uint32_t code, const std::vector<std::string>& texts) {
  std::vector<std::uint8_t> bytes;
  for (const auto& t : texts) {
    bytes.insert(bytes.end(), t.begin(), t.end());
    bytes.push_back(0);
  }
  bytes.push_back(0);
  nodes[node].properties[code] = Property{kRegMultiSz, bytes};
}

void DeviceTree::SetNumber(int node, std::uint32_t code, std::uint32_t value) {
  std::vector<std::uint8_t> bytes(4);
  le::Store32(bytes.data(), value);
  nodes[node].properties[code] = Property{kRegDword, bytes};
}

void DeviceTree::AddIo(int node, std::uint64_t base, std::uint64_t length) {
  nodes[node].hasAllocatedConfig = true;
  nodes[node].allocated.push_back({res_type::kIo, base, base + length - 1, kIoFlags});
}

void DeviceTree::AddMemory(int node, std::uint64_t base, std::uint64_t length) {
  nodes[node].hasAllocatedConfig = true;
  nodes[node].allocated.push_back({res_type::kMem, base, base + length - 1, kMemFlags});
}

void DeviceTree::AddIrq(int node, std::uint32_t irq) {
  nodes[node].hasAllocatedConfig = true;
  nodes[node].allocated.push_back({res_type::kIrq, irq, irq, 0x1});  // level-triggered
}

int DeviceTree::AddInterface(int node, const Guid& interfaceClass, const std::string& path) {
  interfaces.push_back({node, interfaceClass, path, 0});
  return static_cast<int>(interfaces.size()) - 1;
}

std::string DeviceTree::DiskInterfacePath(const std::string& instanceId) {
  std::string path = "\\\\?\\" + LowerAscii(instanceId);
  for (char& c : path) {
    if (c == '\\' && &c > &path[3]) c = '#';
  }
  return path + "#" + LowerAscii(FormatGuid(guids::kDiskInterface));
}

}  // namespace qz::sim
