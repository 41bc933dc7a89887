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

// Windows 11 reports NT 10.0 like Windows 10; only the build tells them apart.
inline constexpr std::uint32_t kWindows11FirstBuild = 22000;

// The family alone in its place, the other fields zero.
constexpr OsVersionCode FamilyCode(std::uint8_t family) { return static_cast<OsVersionCode>(family) << 24; }

// A service pack's number in its nibble (the NT 4 SP6a mark shares it).
constexpr OsVersionCode ServicePackCode(std::uint32_t servicePack) {
  return static_cast<OsVersionCode>(servicePack & 0xF) << 12;
}

// Field values OR-ed into a code.
namespace os_edition {
inline constexpr OsVersionCode kWorkstation = 0x00010000;
inline constexpr OsVersionCode kPersonal = 0x00020000;
inline constexpr OsVersionCode kEnterprise = 0x00040000;
inline constexpr OsVersionCode kServer = 0x00070000;
inline constexpr OsVersionCode kDatacenter = 0x00080000;
inline constexpr OsVersionCode kWebBlade = 0x00110000;
inline constexpr OsVersionCode kNtWorkstation = 0x00130000;
}  // namespace os_edition
namespace os_processor {
inline constexpr OsVersionCode kAmd64 = 0x00000001;
inline constexpr OsVersionCode kIa64 = 0x00000003;
}  // namespace os_processor
// NT 4 Service Pack 6 with the Q246009 hotfix, in place of the service-pack nibble.
inline constexpr OsVersionCode kNt4Sp6aMark = 0x00006400;
// Windows 95 OSR2 and 98 Second Edition, in the edition's place.
inline constexpr OsVersionCode kSecondEditionMark = 0x00030000;

constexpr std::uint8_t OsFamily(OsVersionCode code) { return static_cast<std::uint8_t>(code >> 24); }
constexpr std::uint8_t OsEdition(OsVersionCode code) {
  return static_cast<std::uint8_t>((code >> 16) & 0xFF);
}
constexpr std::uint8_t OsServicePack(OsVersionCode code) {
  return static_cast<std::uint8_t>((code >> 12) & 0xF);
}

}  // namespace qz
