#pragma once
// The SiI3124 Port Request Block that carries one command: a protocol override, the Register
// Host-to-Device FIS built from the task files, and one scatter-gather entry. Built as bytes
// at their offsets, little-endian.
#include <array>
#include <cstdint>

#include "transport/task_file.hpp"

namespace qz {

namespace prb {
inline constexpr std::size_t kSize = 48;
inline constexpr std::size_t kControl = 0;
inline constexpr std::size_t kProtocol = 2;
inline constexpr std::size_t kReceivedCount = 4;
inline constexpr std::size_t kFis = 8;
inline constexpr std::size_t kSgAddress = 32;
inline constexpr std::size_t kSgCount = 40;
inline constexpr std::size_t kSgFlags = 44;

inline constexpr std::uint16_t kProtocolOverride = 1;
inline constexpr std::uint16_t kProtocolRead = 0x08;
inline constexpr std::uint16_t kProtocolWrite = 0x10;
inline constexpr std::uint32_t kLastEntry = 0x80000000u;

inline constexpr std::size_t kFisSize = 20;
inline constexpr std::uint8_t kFisRegisterHostToDevice = 0x27;
inline constexpr std::uint8_t kFisCommandBit = 0x80;
}  // namespace prb

using PortRequestBlock = std::array<std::uint8_t, prb::kSize>;

// `previous`: the high-order bytes of a 48-bit command, or null (its bytes count as 0).
std::array<std::uint8_t, prb::kFisSize> BuildRegisterFis(const TaskFile& taskFile,
                                                         const TaskFile* previous);

PortRequestBlock BuildPortRequestBlock(const TaskFile& taskFile, const TaskFile* previous,
                                       std::uint32_t direction, std::uint32_t dataAddress,
                                       std::uint32_t length);

}  // namespace qz
