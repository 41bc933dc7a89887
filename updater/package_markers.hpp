#pragma once
// The marker texts by which the build step finds the package block's areas. The updater
// itself never uses them (it reads at fixed offsets), and must not: a second copy of a marker
// in the program would make the block ambiguous to find.
#include <array>
#include <string_view>

#include "updater/package_layout.hpp"

namespace qz::pkg {

inline constexpr std::string_view kOptionKey = "PARA_OPT=";
inline constexpr std::string_view kBootCodeMarker = "BOOT_CODE_HERE";
inline constexpr std::string_view kAesBufMarker = "AES_BUF_HERE";
inline constexpr std::array<std::string_view, kSizeRecords> kSizeKeys = {
    "XP_X86_SIZE=",   "XP_X64_SIZE=",   "2003_X86_SIZE=", "2003_X64_SIZE=", "VISTA_X86_SIZE=",
    "VISTA_X64_SIZE=", "2008_X86_SIZE=", "2008_X64_SIZE=", "WIN7_X86_SIZE=", "WIN7_X64_SIZE=",
    "FERRYMAN_SIZE=", "FERRY2K3_SIZE=", "FERRY2K8_SIZE=", "FERRYIXP_SIZE="};

constexpr bool KeyLengthsAgree() {
  for (int i = 0; i < kSizeRecords; ++i) {
    if (kSizeKeys[i].size() != kSizeKeyLengths[i]) return false;
  }
  return true;
}
static_assert(KeyLengthsAgree());

}  // namespace qz::pkg
