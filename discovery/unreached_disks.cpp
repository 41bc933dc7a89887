#include "discovery/unreached_disks.hpp"

#include <cstring>

namespace qz {
namespace {

template <std::size_t N>
std::string Text(const std::array<char, N>& field) {
  return std::string(field.data(), strnlen(field.data(), N));
}

std::string ControllerDriverOf(const DiskRegData& entry) {
  for (const ParentNode* node = entry.Parent.get(); node != nullptr; node = node->next.get()) {
    const std::string service = Text(node->Service);
    if (!service.empty()) return service;
  }
  return "";
}

}  // namespace

std::vector<UnreachedDisk> ListUnreachedDisks(const std::vector<const DiskRegData*>& entries,
                                              const std::vector<bool>& identified) {
  std::vector<UnreachedDisk> disks;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const DiskRegData* entry = entries[i];
    if (entry == nullptr || (i < identified.size() && identified[i])) continue;
    UnreachedDisk disk;
    disk.DiskNumber = entry->DeviceNumber;
    if (entry->WmiInfo) disk.WmiModel = Text(entry->WmiInfo->Model);
    disk.FriendlyName = Text(entry->FriendlyName);
    disk.ControllerDriver = ControllerDriverOf(*entry);
    disks.push_back(std::move(disk));
  }
  return disks;
}

}  // namespace qz
