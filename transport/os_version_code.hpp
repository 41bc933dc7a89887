#pragma once
// The classification of the running Windows: family in the top byte, then edition,
// service pack, the NT 4 SP6a mark and the 64-bit processor flags.
#include <cstdint>

namespace qz {

using OsVersionCode = std::uint32_t;

namespace os_family {
inline constexpr std::uint8_t kUnknown = 0x00;
inline constexpr std::uint8_t kWin32s = 0x01;
inline constexpr std::uint8_t kWindows95 = 0x02;
inline constexpr std::uint8_t kWindows98 = 0x03;
inline constexpr std::uint8_t kWindowsMe = 0x04;
inline constexpr std::uint8_t kNt4 = 0x05;
inline constexpr std::uint8_t kWindows2000 = 0x06;
inline constexpr std::uint8_t kWindowsXp = 0x07;
inline constexpr std::uint8_t kServer2003 = 0x08;
inline constexpr std::uint8_t kServer2003R2 = 0x09;
inline constexpr std::uint8_t kVista = 0x0A;
inline constexpr std::uint8_t kServer2008 = 0x0C;
inline constexpr std::uint8_t kServer2008R2 = 0x0D;
inline constexpr std::uint8_t kWindows7 = 0x0E;
// Numbered above Windows 7 so that "later than XP" keeps meaning Server 2003 and later.
inline constexpr std::uint8_t kWindows8 = 0x0F;   // NT 6.2, also Server 2012
inline constexpr std::uint8_t kWindows81 = 0x10;  // NT 6.3, also Server 2012 R2
inline constexpr std::uint8_t kWindows10 = 0x11;  // NT 10.0 before build 22000, also Server 2016 and later
inline constexpr std::uint8_t kWindows11 = 0x12;  // NT 10.0 from build 22000
}  // namespace os_family

constexpr std::uint8_t OsFamily(OsVersionCode code) { return static_cast<std::uint8_t>(code >> 24); }
constexpr std::uint8_t OsEdition(OsVersionCode code) {
  return static_cast<std::uint8_t>((code >> 16) & 0xFF);
}
constexpr std::uint8_t OsServicePack(OsVersionCode code) {
  return static_cast<std::uint8_t>((code >> 12) & 0xF);
}

}  // namespace qz
