#include "transport/inbox_ide.hpp"

#include <algorithm>
#include <string>
#include <string_view>

#include "platform/text.hpp"

namespace qz {
namespace {

constexpr std::string_view kInboxIdeServices[] = {"atapi",  "pciide", "intelide", "viaide",
                                                  "cmdide", "aliide", "amdide"};

bool IsInboxIdeService(const PropertyText& service) {
  const std::string text(service.data(), std::find(service.begin(), service.end(), '\0'));
  return std::any_of(std::begin(kInboxIdeServices), std::end(kInboxIdeServices),
                     [&](std::string_view known) { return EqualsIgnoreCase(text, known); });
}

}  // namespace

bool ServedByInboxIdeDrivers(const DiskRegData& disk) {
  for (const ParentNode* node = disk.Parent.get(); node != nullptr; node = node->next.get()) {
    if (!IsInboxIdeService(node->Service)) return false;
    // The first node with PCI identifiers is the controller: nothing above it drives the disk.
    if (node->VendorId != 0 || node->DeviceId != 0) return true;
  }
  return false;  // no controller found at all
}

}  // namespace qz
