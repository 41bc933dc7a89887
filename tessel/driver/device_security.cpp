#include "tessel/driver/device_security.h"

#include <cstdint>

#include "platform/little_endian.hpp"
#include "tessel/driver/byte_fill.hpp"

namespace {

constexpr std::uint32_t kFileDeviceSecureOpen = 0x100;
constexpr std::uint8_t kDescriptorRevision = 1;
constexpr std::uint16_t kDaclPresent = 0x0004;
constexpr std::uint16_t kSelfRelative = 0x8000;
constexpr std::uint32_t kHeaderSize = 20;
constexpr std::uint8_t kAclRevision = 2;
constexpr std::uint32_t kAclHeaderSize = 8;
constexpr std::uint8_t kAccessAllowed = 0;
constexpr std::uint32_t kAceHeaderSize = 8;
constexpr std::uint32_t kFileAllAccess = 0x001F01FF;

// S-1-5-18 (LocalSystem) and S-1-5-32-544 (Administrators), in the SID's own layout.
constexpr std::uint8_t kSystemSid[12] = {1, 1, 0, 0, 0, 0, 0, 5, 18, 0, 0, 0};
constexpr std::uint8_t kAdminsSid[16] = {1, 2, 0, 0, 0, 0, 0, 5, 32, 0, 0, 0, 0x20, 2, 0, 0};

// One access-allowed entry with all file rights for a SID; the bytes it took.
std::uint32_t PutAce(std::uint8_t* p, const std::uint8_t* sid, std::uint32_t sidSize) {
  const std::uint32_t size = kAceHeaderSize + sidSize;
  p[0] = kAccessAllowed;
  p[1] = 0;  // not inherited, nothing to inherit
  qz::le::Store16(p + 2, static_cast<std::uint16_t>(size));
  qz::le::Store32(p + 4, kFileAllAccess);
  for (std::uint32_t i = 0; i < sidSize; ++i) p[8 + i] = sid[i];
  return size;
}

}  // namespace

extern "C" unsigned QzDeviceSecurityDescriptor(unsigned char* out, unsigned size) {
  if (out == nullptr || size < QZ_DEVICE_SECURITY_SIZE) return 0;
  std::uint8_t* p = out;
  qz::kbytes::Fill(p, QZ_DEVICE_SECURITY_SIZE, 0);
  // No owner, group or system list: only the access list is set on the device.
  p[0] = kDescriptorRevision;
  qz::le::Store16(p + 2, static_cast<std::uint16_t>(kDaclPresent | kSelfRelative));
  qz::le::Store32(p + 16, kHeaderSize);

  std::uint8_t* acl = p + kHeaderSize;
  std::uint32_t used = kAclHeaderSize;
  used += PutAce(acl + used, kSystemSid, sizeof(kSystemSid));
  used += PutAce(acl + used, kAdminsSid, sizeof(kAdminsSid));
  acl[0] = kAclRevision;
  qz::le::Store16(acl + 2, static_cast<std::uint16_t>(used));
  qz::le::Store16(acl + 4, 2);  // entries
  return kHeaderSize + used;
}

extern "C" unsigned long QzDeviceCharacteristics(void) { return kFileDeviceSecureOpen; }
