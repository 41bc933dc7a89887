#pragma once
// The ten flasher builds as the update command hands them to staging: where each lies in the
// updater's package data and how long it is. Entry order is fixed (see StageBootUpdate).
#include <array>
#include <cstdint>

namespace qz {

struct FlasherImage {
  std::uint8_t* start = nullptr;
  std::uint32_t length = 0;
};

using FlasherImageTable = std::array<FlasherImage, 10>;

namespace flasher_entry {
inline constexpr int kServer2008X86 = 0;
inline constexpr int kServer2008X64 = 1;
inline constexpr int kWindows7X86 = 2;
inline constexpr int kWindows7X64 = 3;
inline constexpr int kVistaX86 = 4;
inline constexpr int kVistaX64 = 5;
inline constexpr int kServer2003X86 = 6;
inline constexpr int kServer2003X64 = 7;
inline constexpr int kXpX86 = 8;
inline constexpr int kXpX64 = 9;  // the package holds the XP x86 build here
}  // namespace flasher_entry

}  // namespace qz
