#include "sim/os/sim_setup_api.hpp"

#include <algorithm>
#include <cstring>

#include "platform/little_endian.hpp"
#include "platform/system_api.hpp"
#include "platform/text.hpp"
#include "sim/machine/path.hpp"

namespace qz::sim {
namespace {

constexpr std::uint32_t kErrorModNotFound = 126;
constexpr std::uint32_t kErrorInvalidData = 13;

std::string ModuleBase(const std::string& path) {
  std::string base = BaseName(path);
  for (char& c : base) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
  if (base.size() > 4 && base.compare(base.size() - 4, 4, ".dll") == 0) base.resize(base.size() - 4);
  return base;
}


// The descriptor data of one allocated resource in the packed layouts of cfgmgr32.
std::vector<std::uint8_t> Encode(const DeviceTree::Resource& r, bool wide) {
  std::vector<std::uint8_t> d;
  switch (r.type) {
    case res_type::kIo: {  // IO_DES (28) + IO_RANGE (40)
      d.assign(68, 0);
      le::Store32(&d[0], 1);  // one range follows
      le::Store32(&d[4], 1);  // IOType_Range
      le::Store64(&d[8], r.base);
      le::Store64(&d[16], r.end);
      le::Store32(&d[24], r.flags);
      le::Store64(&d[28], ~std::uint64_t{0} << 3);  // alignment mask
      le::Store32(&d[36], static_cast<std::uint32_t>(r.end - r.base + 1));
      le::Store64(&d[40], r.base);
      le::Store64(&d[48], r.end);
      le::Store32(&d[56], r.flags);
      break;
    }
    case res_type::kMem: {  // MEM_DES (32) + MEM_RANGE (36)
      d.assign(68, 0);
      le::Store32(&d[0], 1);
      le::Store32(&d[4], 1);  // MType_Range
      le::Store64(&d[8], r.base);
      le::Store64(&d[16], r.end);
      le::Store32(&d[24], r.flags);
      le::Store64(&d[32], ~std::uint64_t{0} << 12);
      le::Store32(&d[40], static_cast<std::uint32_t>(r.end - r.base + 1));
      le::Store64(&d[44], r.base);
      le::Store64(&d[52], r.end);
      le::Store32(&d[60], r.flags);
      break;
    }
    case res_type::kIrq: {  // IRQ_DES (20, or 24 with a 64-bit affinity) + IRQ_RANGE (12)
      const std::size_t header = wide ? 24 : 20;
      d.assign(header + 12, 0);
      le::Store32(&d[0], 1);
      le::Store32(&d[4], 1);  // IRQType_Range
      le::Store32(&d[8], r.flags);
      le::Store32(&d[12], static_cast<std::uint32_t>(r.base));
      le::Store32(&d[16], 0xFFFFFFFFu);  // any processor
      if (wide) le::Store32(&d[20], 0xFFFFFFFFu);
      le::Store32(&d[header], static_cast<std::uint32_t>(r.base));
      le::Store32(&d[header + 4], static_cast<std::uint32_t>(r.base));
      le::Store32(&d[header + 8], r.flags);
      break;
    }
    default:  // class-specific data, larger than any range descriptor
      d.assign(96, 0);
      le::Store32(&d[0], 1);
      break;
  }
  return d;
}

}  // namespace

SimSetupApi::SimSetupApi(SimWin32& process, std::string programPath)
    : process_(process), machine_(process.machine()), programPath_(std::move(programPath)) {}

bool SimSetupApi::Fail(std::uint32_t error) {
  process_.SetLastError(error);
  return false;
}

bool SimSetupApi::Succeed() {
  process_.SetLastError(0);
  return true;
}

std::size_t SimSetupApi::OpenHandleCount() const {
  return modules_.size() + sets_.size() + descriptors_.size();
}

Handle SimSetupApi::LoadLibrary(const std::string& name) {
  machine_.loadedLibraries.push_back(name);
  std::vector<std::string> candidates;
  if (name.find('\\') == std::string::npos) {
    candidates = {JoinPath(ProgramDirectory(), name), JoinPath(process_.GetSystemDirectory(), name)};
  } else {
    candidates = {name};
  }
  const std::string systemKey = PathKey(process_.Redirect(process_.GetSystemDirectory()));
  for (const auto& candidate : candidates) {
    const std::string actual = process_.Redirect(candidate);
    if (!machine_.files.Find(actual)) continue;
    Module module;
    // Only the system directory's file is the system's library; any other file of the same
    // name is somebody else's code.
    if (PathKey(ParentPath(actual)) == systemKey) module.base = ModuleBase(actual);
    loadedFiles_.push_back(actual);
    const Handle h = NewHandle();
    modules_[h] = module;
    return h;
  }
  Fail(kErrorModNotFound);
  return kNullHandle;
}

bool SimSetupApi::Bind(Handle module, const std::string& name) {
  auto it = modules_.find(module);
  if (it == modules_.end()) return Fail(err::kInvalidHandle);
  Module& m = it->second;
  if (m.base.empty()) {
    // A stranger's file that claims every name; what it would do is not ours to run.
    m.bound.insert(name);
    machine_.deviceTree.foreignBindings.push_back(name);
    return true;
  }
  if (!machine_.exports[m.base].count(name)) return Fail(err::kProcNotFound);
  m.bound.insert(name);
  return true;
}

void SimSetupApi::FreeLibrary(Handle module) { modules_.erase(module); }

std::string SimSetupApi::ProgramDirectory() { return ParentPath(programPath_); }

std::uint32_t SimSetupApi::InterfaceDetailSize() {
  return process_.GetSystemInfoArchitecture() == processor_arch::kAmd64 ? 8 : 5;
}

bool SimSetupApi::Callable(const char* name) {
  for (const auto& [handle, module] : modules_) {
    if (!module.bound.count(name)) continue;
    if (module.base.empty()) {
      machine_.deviceTree.foreignCalls.push_back(name);
      return Fail(err::kAccessDenied);
    }
    return true;
  }
  return Fail(err::kProcNotFound);
}

int SimSetupApi::NodeOf(DevInst node) const {
  const auto& nodes = machine_.deviceTree.nodes;
  if (node == 0 || node > nodes.size()) return -1;
  return static_cast<int>(node) - 1;
}

// ---- Setup API

Handle SimSetupApi::SetupDiGetClassDevs(const Guid* classGuid, std::uint32_t flags) {
  if (!Callable("SetupDiGetClassDevsA")) return kInvalidHandle;
  DeviceTree& tree = machine_.deviceTree;
  if (tree.classDevsFails) {
    Fail(err::kInvalidParameter);
    return kInvalidHandle;
  }
  InfoSet set;
  if (flags & digcf::kDeviceInterface) {
    if (!classGuid) {
      Fail(err::kInvalidParameter);
      return kInvalidHandle;
    }
    const int list = tree.interfaceListsBuilt++;
    for (std::size_t k = 0; k < tree.interfaces.size(); ++k) {
      const auto& iface = tree.interfaces[k];
      if (iface.interfaceClass != *classGuid || !tree.nodes[iface.node].present) continue;
      if (iface.hiddenForLists > list) continue;
      set.nodes.push_back(iface.node);
      set.interfaces.push_back(static_cast<int>(k));
    }
  } else {
    if (!(flags & digcf::kAllClasses) && !classGuid) {
      Fail(err::kInvalidParameter);
      return kInvalidHandle;
    }
    for (std::size_t i = 1; i < tree.nodes.size(); ++i) {
      const auto& node = tree.nodes[i];
      if ((flags & digcf::kPresent) && !node.present) continue;
      if (!(flags & digcf::kAllClasses) && node.classGuid != *classGuid) continue;
      set.nodes.push_back(static_cast<int>(i));
    }
  }
  const Handle h = NewHandle();
  sets_[h] = set;
  Succeed();
  return h;
}

bool SimSetupApi::SetupDiEnumDeviceInfo(Handle set, std::uint32_t index, DeviceInfoData& data) {
  if (!Callable("SetupDiEnumDeviceInfo")) return false;
  auto it = sets_.find(set);
  if (it == sets_.end()) return Fail(err::kInvalidHandle);
  if (index >= it->second.nodes.size()) return Fail(err::kNoMoreItems);
  const int node = it->second.nodes[index];
  data.classGuid = machine_.deviceTree.nodes[node].classGuid;
  data.devInst = static_cast<DevInst>(node + 1);
  data.reserved = static_cast<std::uint64_t>(node);
  return Succeed();
}

bool SimSetupApi::SetupDiEnumDeviceInterfaces(Handle set, const Guid& interfaceClass,
                                              std::uint32_t index, DeviceInterfaceData& data) {
  if (!Callable("SetupDiEnumDeviceInterfaces")) return false;
  auto it = sets_.find(set);
  if (it == sets_.end()) return Fail(err::kInvalidHandle);
  const auto& interfaces = it->second.interfaces;
  if (index >= interfaces.size()) return Fail(err::kNoMoreItems);
  const auto& iface = machine_.deviceTree.interfaces[static_cast<std::size_t>(interfaces[index])];
  if (iface.interfaceClass != interfaceClass) return Fail(err::kNoMoreItems);
  data.interfaceClassGuid = interfaceClass;
  data.flags = 1;  // SPINT_ACTIVE
  data.reserved = static_cast<std::uint64_t>(interfaces[index]) + 1;
  return Succeed();
}

bool SimSetupApi::SetupDiGetDeviceInterfaceDetail(Handle set, const DeviceInterfaceData& data,
                                                  Bytes detail, std::uint32_t& requiredSize) {
  if (!Callable("SetupDiGetDeviceInterfaceDetailA")) return false;
  auto it = sets_.find(set);
  if (it == sets_.end()) return Fail(err::kInvalidHandle);
  const auto& interfaces = it->second.interfaces;
  const int k = static_cast<int>(data.reserved) - 1;
  if (std::find(interfaces.begin(), interfaces.end(), k) == interfaces.end()) {
    return Fail(err::kInvalidParameter);
  }
  const std::string& path = machine_.deviceTree.interfaces[static_cast<std::size_t>(k)].path;
  requiredSize = static_cast<std::uint32_t>(4 + path.size() + 1);
  if (detail.size() < requiredSize) return Fail(err::kInsufficientBuffer);
  if (le::Load32(detail.data()) != InterfaceDetailSize()) return Fail(kErrorInvalidUserBuffer);
  std::memcpy(detail.data() + 4, path.c_str(), path.size() + 1);
  return Succeed();
}

bool SimSetupApi::SetupDiGetDeviceRegistryProperty(Handle set, const DeviceInfoData& data,
                                                   std::uint32_t property,
                                                   std::uint32_t& regType, Bytes buffer,
                                                   std::uint32_t& requiredSize) {
  if (!Callable("SetupDiGetDeviceRegistryPropertyA")) return false;
  auto it = sets_.find(set);
  if (it == sets_.end()) return Fail(err::kInvalidHandle);
  const int node = static_cast<int>(data.reserved);
  const auto& nodes = it->second.nodes;
  if (std::find(nodes.begin(), nodes.end(), node) == nodes.end()) return Fail(err::kInvalidParameter);
  const auto& n = machine_.deviceTree.nodes[static_cast<std::size_t>(node)];
  auto p = n.properties.find(property);
  if (n.failingProperties.count(property) || p == n.properties.end()) return Fail(kErrorInvalidData);
  requiredSize = static_cast<std::uint32_t>(p->second.data.size());
  regType = p->second.regType;
  if (buffer.size() < p->second.data.size()) return Fail(err::kInsufficientBuffer);
  std::copy(p->second.data.begin(), p->second.data.end(), buffer.begin());
  return Succeed();
}

bool SimSetupApi::SetupDiGetDeviceInstanceId(Handle set, const DeviceInfoData& data, Bytes buffer,
                                             std::uint32_t& requiredSize) {
  if (!Callable("SetupDiGetDeviceInstanceIdA")) return false;
  auto it = sets_.find(set);
  if (it == sets_.end()) return Fail(err::kInvalidHandle);
  const int node = static_cast<int>(data.reserved);
  const auto& nodes = it->second.nodes;
  if (std::find(nodes.begin(), nodes.end(), node) == nodes.end()) return Fail(err::kInvalidParameter);
  const std::string& id = machine_.deviceTree.nodes[static_cast<std::size_t>(node)].instanceId;
  requiredSize = static_cast<std::uint32_t>(id.size() + 1);
  if (buffer.size() < requiredSize) return Fail(err::kInsufficientBuffer);
  std::memcpy(buffer.data(), id.c_str(), id.size() + 1);
  return Succeed();
}

bool SimSetupApi::SetupDiDestroyDeviceInfoList(Handle set) {
  if (!Callable("SetupDiDestroyDeviceInfoList")) return false;
  return sets_.erase(set) ? Succeed() : Fail(err::kInvalidHandle);
}

// ---- configuration manager

std::uint32_t SimSetupApi::CM_Locate_DevNode(DevInst& node, const std::string& instanceId) {
  if (!Callable("CM_Locate_DevNodeA")) return cr::kFailure;
  const int index = machine_.deviceTree.Find(instanceId);
  if (index < 0 || !machine_.deviceTree.nodes[static_cast<std::size_t>(index)].present) {
    return cr::kNoSuchDevNode;
  }
  node = static_cast<DevInst>(index + 1);
  return cr::kSuccess;
}

std::uint32_t SimSetupApi::CM_Get_Parent(DevInst& parent, DevInst node) {
  if (!Callable("CM_Get_Parent")) return cr::kFailure;
  const int index = NodeOf(node);
  if (index < 0) return cr::kNoSuchDevNode;
  const int p = machine_.deviceTree.nodes[static_cast<std::size_t>(index)].parent;
  if (p < 0) return cr::kNoSuchDevNode;
  parent = static_cast<DevInst>(p + 1);
  return cr::kSuccess;
}

std::uint32_t SimSetupApi::CM_Get_Device_ID(DevInst node, Bytes buffer) {
  if (!Callable("CM_Get_Device_IDA")) return cr::kFailure;
  const int index = NodeOf(node);
  if (index < 0) return cr::kNoSuchDevNode;
  const std::string& id = machine_.deviceTree.nodes[static_cast<std::size_t>(index)].instanceId;
  if (buffer.size() < id.size() + 1) return cr::kBufferSmall;
  std::memcpy(buffer.data(), id.c_str(), id.size() + 1);
  return cr::kSuccess;
}

std::uint32_t SimSetupApi::CM_Get_DevNode_Registry_Property(DevInst node, std::uint32_t property,
                                                            std::uint32_t& regType, Bytes buffer,
                                                            std::uint32_t& length) {
  if (!Callable("CM_Get_DevNode_Registry_PropertyA")) return cr::kFailure;
  const int index = NodeOf(node);
  if (index < 0) return cr::kNoSuchDevNode;
  if (property == 0) return cr::kFailure;
  const auto& n = machine_.deviceTree.nodes[static_cast<std::size_t>(index)];
  const std::uint32_t code = property - 1;  // CM_DRP_ = SPDRP_ + 1
  if (n.failingProperties.count(code)) return cr::kFailure;
  auto p = n.properties.find(code);
  if (p == n.properties.end()) return cr::kNoSuchValue;
  const auto size = static_cast<std::uint32_t>(p->second.data.size());
  const std::uint32_t capacity = std::min<std::uint32_t>(length, static_cast<std::uint32_t>(buffer.size()));
  length = size;
  if (capacity < size) return cr::kBufferSmall;
  regType = p->second.regType;
  std::copy(p->second.data.begin(), p->second.data.end(), buffer.begin());
  return cr::kSuccess;
}

std::uint32_t SimSetupApi::CM_Get_First_Log_Conf(Handle& logConf, DevInst node, std::uint32_t kind) {
  if (!Callable("CM_Get_First_Log_Conf")) return cr::kFailure;
  const int index = NodeOf(node);
  if (index < 0) return cr::kNoSuchDevNode;
  if (kind != kAllocLogConf || !machine_.deviceTree.nodes[static_cast<std::size_t>(index)].hasAllocatedConfig) {
    return cr::kNoMoreLogConf;
  }
  logConf = NewHandle();
  descriptors_[logConf] = Descriptor{index, -1};
  return cr::kSuccess;
}

std::uint32_t SimSetupApi::CM_Get_Next_Res_Des(Handle& next, Handle current, std::uint32_t forType,
                                               std::uint32_t& resourceId) {
  if (!Callable("CM_Get_Next_Res_Des")) return cr::kFailure;
  auto it = descriptors_.find(current);
  if (it == descriptors_.end()) return cr::kInvalidPointer;
  const auto& resources = machine_.deviceTree.nodes[static_cast<std::size_t>(it->second.node)].allocated;
  for (int i = it->second.index + 1; i < static_cast<int>(resources.size()); ++i) {
    const auto& r = resources[static_cast<std::size_t>(i)];
    if (forType != res_type::kAll && r.type != forType) continue;
    next = NewHandle();
    descriptors_[next] = Descriptor{it->second.node, i};
    resourceId = r.type;
    return cr::kSuccess;
  }
  return cr::kNoMoreResDes;
}

std::uint32_t SimSetupApi::CM_Get_Res_Des_Data(Handle resDes, Bytes buffer) {
  if (!Callable("CM_Get_Res_Des_Data")) return cr::kFailure;
  auto it = descriptors_.find(resDes);
  if (it == descriptors_.end() || it->second.index < 0) return cr::kInvalidPointer;
  const auto& r = machine_.deviceTree.nodes[static_cast<std::size_t>(it->second.node)]
                      .allocated[static_cast<std::size_t>(it->second.index)];
  const bool wide = process_.GetSystemInfoArchitecture() == processor_arch::kAmd64;
  const std::vector<std::uint8_t> data = Encode(r, wide);
  if (buffer.size() < data.size()) return cr::kBufferSmall;
  std::copy(data.begin(), data.end(), buffer.begin());
  return cr::kSuccess;
}

std::uint32_t SimSetupApi::CM_Free_Res_Des_Handle(Handle resDes) {
  if (!Callable("CM_Free_Res_Des_Handle")) return cr::kFailure;
  auto it = descriptors_.find(resDes);
  if (it == descriptors_.end() || it->second.index < 0) return cr::kInvalidPointer;
  descriptors_.erase(it);
  return cr::kSuccess;
}

std::uint32_t SimSetupApi::CM_Free_Log_Conf_Handle(Handle logConf) {
  if (!Callable("CM_Free_Log_Conf_Handle")) return cr::kFailure;
  auto it = descriptors_.find(logConf);
  if (it == descriptors_.end() || it->second.index >= 0) return cr::kInvalidPointer;
  descriptors_.erase(it);
  return cr::kSuccess;
}

}  // namespace qz::sim
