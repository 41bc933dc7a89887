#include "tessel/library/base_address.hpp"

#include "platform/little_endian.hpp"

namespace qz::tessel {

void BaseAddressRecords(const std::uint8_t* record, std::uint8_t* out) {
  const std::uint32_t headerType = record[14] & 0x7Fu;
  for (std::uint32_t i = 0; i < 6; ++i) {
    const std::uint32_t v = le::Load32(record + 0x10 + 4 * i);
    const std::uint32_t region = le::Load32(record + 64 + 4 * i);
    std::uint32_t base = 0, size = 0, kind = bar_kind::kUnused;
    if (v != 0) {
      if (v & 1u) {
        kind = bar_kind::kIo;
        base = v & ~3u;
        size = region & 0xFFFFu;
      } else {
        kind = bar_kind::kMemory;
        base = v & ~15u;
        size = region;
      }
    }
    if ((headerType == 1 && i >= 2) || (headerType == 2 && i == 5)) {
      kind = bar_kind::kUnused;
      base = size = 0;
    }
    std::uint8_t* r = out + kBaseAddressRecordSize * i;
    le::Store32(r, base);
    le::Store32(r + 4, size);
    le::Store32(r + 8, kind);
  }
}

}  // namespace qz::tessel
