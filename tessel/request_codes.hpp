#pragma once
// Device I/O control codes between tessel.dll and its driver: FILE_DEVICE_UNKNOWN (0x22),
// METHOD_BUFFERED, FILE_ANY_ACCESS, functions 0x800 upwards.
#include <cstdint>

namespace qz::tessel {

inline constexpr char kDeviceName[] = "TESSEL";

inline constexpr std::uint32_t kIoctlReadMemory = 0x222000;
inline constexpr std::uint32_t kIoctlWriteMemory = 0x222004;
inline constexpr std::uint32_t kIoctlMapMemory = 0x222008;
inline constexpr std::uint32_t kIoctlUnmapMemory = 0x22200C;
inline constexpr std::uint32_t kIoctlFindDevice = 0x222010;
inline constexpr std::uint32_t kIoctlDmaAlloc = 0x222018;

// Length of the PCI device record with and without its location fields.
inline constexpr std::uint32_t kPciRecordSize = 100;
inline constexpr std::uint32_t kPciRecordShortSize = 88;

}  // namespace qz::tessel
