#pragma once
// Class and interface identifiers as the system writes them: 36 characters,
// "XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX", usually inside braces.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qz {

struct Guid {
  std::uint32_t data1 = 0;
  std::uint16_t data2 = 0;
  std::uint16_t data3 = 0;
  std::array<std::uint8_t, 8> data4{};
  friend bool operator==(const Guid&, const Guid&) = default;
};

// The 36 characters without braces, as UuidFromString takes them; nothing on any other form.
std::optional<Guid> ParseGuid(std::string_view text);
// "{53F56307-B6BF-11D0-94F2-00A0C91EFB8B}": braces, upper-case hexadecimal.
std::string FormatGuid(const Guid& guid);

namespace guids {
// The disk device interface class.
inline constexpr Guid kDiskInterface{0x53F56307, 0xB6BF, 0x11D0, {0x94, 0xF2, 0x00, 0xA0, 0xC9, 0x1E, 0xFB, 0x8B}};
// Setup classes of IDE/ATA controllers and of SCSI and RAID adapters.
inline constexpr Guid kHdcClass{0x4D36E96A, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};
inline constexpr Guid kScsiAdapterClass{0x4D36E97B, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};
inline constexpr Guid kDiskDriveClass{0x4D36E967, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};
inline constexpr Guid kSystemClass{0x4D36E97D, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};
inline constexpr Guid kUsbClass{0x36FC9E60, 0xC465, 0x11CF, {0x80, 0x56, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
}  // namespace guids

}  // namespace qz
