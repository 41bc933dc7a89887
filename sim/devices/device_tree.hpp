#pragma once
// The simulated machine's device tree as the Setup API and the configuration manager see it:
// device nodes with instance ids, parents, setup classes, registry properties and allocated
// resources, and the disk device interfaces with their device paths.
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/guid.hpp"
#include "sim/devices/sim_disk.hpp"

namespace qz::sim {

class DeviceTree {
 public:
  // One allocated resource. For an interrupt, base is the interrupt number and end unused.
  struct Resource {
    std::uint32_t type = 0;  // res_type
    std::uint64_t base = 0;
    std::uint64_t end = 0;
    std::uint32_t flags = 0;
  };
  struct Property {
    std::uint32_t regType = 0;
    std::vector<std::uint8_t> data;
  };
  struct Node {
    std::string instanceId;
    int parent = -1;
    Guid classGuid;
    bool present = true;
    std::map<std::uint32_t, Property> properties;  // by SPDRP code
    std::set<std::uint32_t> failingProperties;     // reads of these fail
    bool hasAllocatedConfig = false;
    std::vector<Resource> allocated;
  };
  struct Interface {
    int node = -1;
    Guid interfaceClass;
    std::string path;  // "\\?\..."
    // The interface shows up in this many interface lists only after as many were built.
    int hiddenForLists = 0;
  };

  DeviceTree();

  static constexpr int kRoot = 0;
  std::vector<Node> nodes;
  std::vector<Interface> interfaces;
  std::vector<SimDisk> disks;
  int interfaceListsBuilt = 0;
  bool classDevsFails = false;
  // What a library loaded from somewhere other than the system directory was asked for.
  std::vector<std::string> foreignBindings;
  std::vector<std::string> foreignCalls;

  // Returns the new node's index. The driver key and class GUID text follow from the class.
  int Add(const std::string& instanceId, int parent, const Guid& setupClass);
  int Find(const std::string& instanceId) const;  // -1 when absent; ids compare without case

  void SetText(int node, std::uint32_t spdrp, const std::string& text);
  void SetMultiText(int node, std::uint32_t spdrp, const std::vector<std::string>& texts);
  void SetNumber(int node, std::uint32_t spdrp, std::uint32_t value);
  void Remove(int node, std::uint32_t spdrp) { nodes[node].properties.erase(spdrp); }
  void AddIo(int node, std::uint64_t base, std::uint64_t length);
  void AddMemory(int node, std::uint64_t base, std::uint64_t length);
  void AddIrq(int node, std::uint32_t irq);
  int AddInterface(int node, const Guid& interfaceClass, const std::string& path);

  // A device path of the disk interface class for a disk's instance id.
  static std::string DiskInterfacePath(const std::string& instanceId);

 private:
  std::map<std::string, int> driverCounts_;  // per class text, for "{class}\000N"
};

}  // namespace qz::sim
