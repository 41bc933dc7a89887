#pragma once
// PCI vendor and device from a device instance id such as
// "PCI\VEN_8086&DEV_3A22&SUBSYS_...".
#include <cstdint>
#include <string_view>

namespace qz {

// Both or neither: false leaves the two at 0.
bool ParseVendorDevice(std::string_view instanceId, std::uint16_t& vendor, std::uint16_t& device);

}  // namespace qz
