#include "discovery/vendor_device.hpp"

#include <string>

#include "platform/text.hpp"

namespace qz {
namespace {

// The (up to) four characters after a marker, accepted only as hexadecimal digits.
bool HexAfter(const std::string& id, const char* marker, std::uint16_t& value) {
  const auto at = id.find(marker);
  if (at == std::string::npos) return false;
  const std::string digits = id.substr(at + 4, 4);
  if (digits.empty()) return false;
  std::uint32_t v = 0;
  for (char c : digits) {
    int d = -1;
    if (c >= '0' && c <= '9') d = c - '0';
    if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
    if (d < 0) return false;
    v = v * 16 + static_cast<std::uint32_t>(d);
  }
  value = static_cast<std::uint16_t>(v);
  return true;
}

}  // namespace

bool ParseVendorDevice(std::string_view instanceId, std::uint16_t& vendor, std::uint16_t& device) {
  vendor = device = 0;
  const std::string id = ToUpperAscii(instanceId);
  if (id.find("VEN_") == std::string::npos || id.find("DEV_") == std::string::npos) return false;
  std::uint16_t v = 0, d = 0;
  if (!HexAfter(id, "VEN_", v) || !HexAfter(id, "DEV_", d)) return false;
  vendor = v;
  device = d;
  return true;
}

}  // namespace qz
