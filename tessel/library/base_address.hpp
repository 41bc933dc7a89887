#pragma once
// The six base-address records that maGetDeviceBaseAddress fills from a PCI device record:
// 12 bytes each, base, size and kind (0 memory, 1 I/O, 2 unused), little-endian.
#include <cstdint>

namespace qz::tessel {

inline constexpr std::uint32_t kBaseAddressRecordSize = 12;
inline constexpr std::uint32_t kBaseAddressRecordsSize = 6 * kBaseAddressRecordSize;

namespace bar_kind {
inline constexpr std::uint32_t kMemory = 0;
inline constexpr std::uint32_t kIo = 1;
inline constexpr std::uint32_t kUnused = 2;
}  // namespace bar_kind

// record: the 88 or 100 bytes of the driver's reply; out: 72 bytes.
void BaseAddressRecords(const std::uint8_t* record, std::uint8_t* out);

}  // namespace qz::tessel
