#include "sim/devices/storage_disk.hpp"

#include <algorithm>
#include <vector>

#include "platform/little_endian.hpp"
#include "platform/types.hpp"

namespace qz::sim {
namespace {

constexpr std::uint32_t kScsiGetAddress = 0x00041018;
constexpr std::uint32_t kGetDeviceNumber = 0x002D1080;
constexpr std::uint32_t kQueryProperty = 0x002D1400;
constexpr std::uint32_t kFileDeviceDisk = 7;


}  // namespace

bool StorageDisk::Control(std::uint32_t code, ConstBytes in, Bytes out, std::uint32_t& returned,
                          std::uint32_t& lastError) {
  returned = 0;
  if (failingCodes.count(code)) {
    lastError = err::kInvalidFunction;
    return false;
  }
  switch (code) {
    case kScsiGetAddress: {
      if (!hasScsiAddress) {
        lastError = err::kInvalidFunction;
        return false;
      }
      if (out.size() < 8) {
        lastError = err::kInsufficientBuffer;
        return false;
      }
      le::Store32(out.data(), 8);  // SCSI_ADDRESS.Length
      out[4] = portNumber;
      out[5] = pathId;
      out[6] = targetId;
      out[7] = lun;
      returned = 8;
      return true;
    }
    case kGetDeviceNumber: {
      if (out.size() < 12) {
        lastError = err::kInsufficientBuffer;
        return false;
      }
      le::Store32(out.data(), kFileDeviceDisk);
      le::Store32(out.data() + 4, deviceNumber);
      le::Store32(out.data() + 8, 0);  // the whole disk
      returned = 12;
      return true;
    }
    case kQueryProperty: {
      // STORAGE_PROPERTY_QUERY: PropertyId, QueryType.
      if (in.size() < 8) {
        lastError = err::kInvalidParameter;
        return false;
      }
      const std::uint32_t propertyId = le::Load32(in.data());
      const std::uint32_t queryType = le::Load32(in.data() + 4);
      if (propertyId != 0 || queryType > 1) {
        lastError = err::kInvalidFunction;
        return false;
      }
      if (queryType == 1) return true;  // PropertyExistsQuery
      // STORAGE_DEVICE_DESCRIPTOR, 40 bytes of header, then the strings it points at.
      std::vector<std::uint8_t> d(40, 0);
      auto addString = [&d](const std::string& s) -> std::uint32_t {
        if (s.empty()) return 0;
        const auto at = static_cast<std::uint32_t>(d.size());
        d.insert(d.end(), s.begin(), s.end());
        d.push_back(0);
        return at;
      };
      const std::uint32_t vendorAt = addString(vendor);
      const std::uint32_t productAt = addString(product);
      const std::uint32_t revisionAt = addString(revision);
      const std::uint32_t serialAt = addString(serial);
      le::Store32(&d[0], 40);
      le::Store32(&d[4], static_cast<std::uint32_t>(d.size()));
      d[8] = 0;  // direct-access device
      d[10] = removable ? 1 : 0;
      le::Store32(&d[12], vendorAt);
      le::Store32(&d[16], productAt);
      le::Store32(&d[20], revisionAt);
      le::Store32(&d[24], serialAt);
      le::Store32(&d[28], busType);
      if (out.size() < 8) {
        lastError = err::kInvalidParameter;
        return false;
      }
      const std::size_t n = std::min(out.size(), d.size());
      std::copy_n(d.begin(), n, out.begin());
      returned = static_cast<std::uint32_t>(n);
      return true;
    }
    default:
      lastError = err::kInvalidFunction;
      return false;
  }
}

}  // namespace qz::sim
