#pragma once
// The two facts of a PE image that decide where it can run: the processor it is built for
// and its subsystem. Read from the bytes alone, so the packer (at build time) and the update
// command (before it stages) judge a flasher or copy-helper build by the same rule.
#include <cstdint>
#include <optional>

#include "platform/types.hpp"

namespace qz {

namespace pe_machine {
inline constexpr std::uint16_t kI386 = 0x14C;
inline constexpr std::uint16_t kAmd64 = 0x8664;
}  // namespace pe_machine

namespace pe_subsystem {
inline constexpr std::uint16_t kNative = 1;
inline constexpr std::uint16_t kWindowsGui = 2;
inline constexpr std::uint16_t kWindowsConsole = 3;
}  // namespace pe_subsystem

struct PeImageKind {
  std::uint16_t machine = 0;
  std::uint16_t subsystem = 0;  // 0 when the optional header is too short to hold it
};

// Nothing when the bytes are not a PE image ("MZ", then "PE\0\0" where e_lfanew points).
std::optional<PeImageKind> ReadPeImageKind(ConstBytes image);

// The processor of the flasher build that Windows can start: x86-64 under WOW64, else i386.
constexpr std::uint16_t NativeFlasherMachine(bool wow64) {
  return wow64 ? pe_machine::kAmd64 : pe_machine::kI386;
}

}  // namespace qz
