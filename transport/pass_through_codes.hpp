#pragma once
// Control codes of the storage pass-through requests (device type 4, METHOD_BUFFERED).
#include <cstdint>

namespace qz::ioctl {
inline constexpr std::uint32_t kScsiPassThrough = 0x4D004;
inline constexpr std::uint32_t kScsiMiniport = 0x4D008;
inline constexpr std::uint32_t kScsiPassThroughDirect = 0x4D014;
inline constexpr std::uint32_t kScsiGetAddress = 0x41018;
inline constexpr std::uint32_t kScsiRescanBus = 0x4101C;
inline constexpr std::uint32_t kIdePassThrough = 0x4D028;
inline constexpr std::uint32_t kAtaPassThrough = 0x4D02C;
inline constexpr std::uint32_t kAtaPassThroughDirect = 0x4D030;
}  // namespace qz::ioctl

namespace qz::cmd_ide_code {
// SRB_IO_CONTROL control codes of the "CMD_IDE " miniport interface.
inline constexpr std::uint32_t kGetVersion = 0x42000;
inline constexpr std::uint32_t kExecute = 0x4202C;
}  // namespace qz::cmd_ide
