// The protection both drivers give their devices, as the kernel glue receives it.
#include "platform/little_endian.hpp"
#include "tessel/driver/device_security.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

namespace {

std::vector<std::uint8_t> Descriptor() {
  alignas(4) std::array<std::uint8_t, 128> buffer{};
  buffer.fill(0xCC);
  const unsigned n = QzDeviceSecurityDescriptor(buffer.data(), static_cast<unsigned>(buffer.size()));
  return std::vector<std::uint8_t>(buffer.begin(), buffer.begin() + n);
}

std::uint32_t Le16(const std::vector<std::uint8_t>& d, std::size_t at) {
  (void)d.at(at + 1);  // past the end throws
  return qz::le::Load16(d.data() + at);
}
std::uint32_t Le32(const std::vector<std::uint8_t>& d, std::size_t at) {
  (void)d.at(at + 3);
  return qz::le::Load32(d.data() + at);
}

TEST(DeviceSecurity, DescriptorAdmitsSystemAndAdministratorsOnly) {
  // SECURITY_DESCRIPTOR_RELATIVE, its ACL and two ACCESS_ALLOWED_ACEs, written out by hand.
  const std::vector<std::uint8_t> expected = {
      1, 0, 0x04, 0x80,       // revision 1; control SE_DACL_PRESENT | SE_SELF_RELATIVE
      0, 0, 0, 0, 0, 0, 0, 0, // no owner, no group
      0, 0, 0, 0,             // no system access list
      20, 0, 0, 0,            // the access list right after the header
      2, 0, 52, 0, 2, 0, 0, 0,                            // ACL revision 2, 52 bytes, 2 entries
      0, 0, 20, 0, 0xFF, 0x01, 0x1F, 0x00,                // allowed, FILE_ALL_ACCESS
      1, 1, 0, 0, 0, 0, 0, 5, 18, 0, 0, 0,                // S-1-5-18
      0, 0, 24, 0, 0xFF, 0x01, 0x1F, 0x00,                // allowed, FILE_ALL_ACCESS
      1, 2, 0, 0, 0, 0, 0, 5, 32, 0, 0, 0, 0x20, 2, 0, 0, // S-1-5-32-544
  };
  ASSERT_EQ(expected.size(), QZ_DEVICE_SECURITY_SIZE);
  EXPECT_EQ(Descriptor(), expected);
}

TEST(DeviceSecurity, TheAccessListIsPresentAndNotEmpty) {
  // The properties that make the list a barrier, each on its own, so that a change that
  // weakens one says which.
  const auto d = Descriptor();
  ASSERT_EQ(d.size(), QZ_DEVICE_SECURITY_SIZE);
  EXPECT_NE(Le16(d, 2) & 0x0004, 0u) << "no access list: the object's default applies";
  EXPECT_EQ(Le16(d, 2) & 0x0008, 0u) << "a defaulted access list";
  const std::uint32_t dacl = Le32(d, 16);
  ASSERT_NE(dacl, 0u) << "a NULL access list admits everyone";
  ASSERT_LE(dacl + 8, d.size());
  EXPECT_EQ(Le16(d, dacl + 2), d.size() - dacl) << "the list must end with the descriptor";
  const std::uint32_t count = Le16(d, dacl + 4);
  ASSERT_EQ(count, 2u);
  std::size_t at = dacl + 8;
  for (std::uint32_t i = 0; i < count; ++i) {
    EXPECT_EQ(d.at(at), 0) << "entry " << i << " must allow, not deny";
    EXPECT_EQ(d.at(at + 1), 0) << "entry " << i << " flags";
    EXPECT_EQ(d.at(at + 8 + 7), 5) << "entry " << i << " is not an NT authority SID";
    EXPECT_NE(d.at(at + 8 + 8), 11) << "entry " << i << " names Authenticated Users";
    at += Le16(d, at + 2);
  }
  EXPECT_EQ(at, d.size());
}

TEST(DeviceSecurity, DeviceIsCreatedForSecureOpen) {
  // FILE_DEVICE_SECURE_OPEN: "\\.\TESSEL\anything" gets the device's access check too.
  EXPECT_EQ(QzDeviceCharacteristics() & 0x100u, 0x100u);
}

TEST(DeviceSecurity, TooSmallABufferGetsNothing) {
  std::array<std::uint8_t, QZ_DEVICE_SECURITY_SIZE - 1> small{};
  EXPECT_EQ(QzDeviceSecurityDescriptor(small.data(), static_cast<unsigned>(small.size())), 0u);
  EXPECT_EQ(QzDeviceSecurityDescriptor(nullptr, 1000), 0u);
}

}  // namespace
