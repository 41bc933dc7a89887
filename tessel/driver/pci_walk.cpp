#include "tessel/driver/pci_walk.hpp"

#include "platform/little_endian.hpp"

namespace qz::tessel {
namespace {

constexpr std::uint32_t kBuses = 256, kDevices = 32, kFunctions = 8;
constexpr std::uint32_t kHeaderTypeOffset = 14;
constexpr std::uint32_t kBarOffset = 0x10;

bool ReadDword(MachineAccess& m, std::uint32_t b, std::uint32_t d, std::uint32_t f,
               std::uint32_t offset, std::uint32_t& value) {
  std::uint8_t raw[4] = {0xFF, 0xFF, 0xFF, 0xFF};
  if (m.ReadConfig(b, d, f, offset, raw, 4) != 4) return false;
  value = le::Load32(raw);
  return true;
}

void WriteDword(MachineAccess& m, std::uint32_t b, std::uint32_t d, std::uint32_t f,
                std::uint32_t offset, std::uint32_t value) {
  std::uint8_t raw[4];
  le::Store32(raw, value);
  m.WriteConfig(b, d, f, offset, raw, 4);
}

// Whether a function answers at this address; sets busMissing when the bus does not exist.
bool Present(MachineAccess& m, std::uint32_t b, std::uint32_t d, std::uint32_t f,
             bool& busMissing, std::uint8_t ids[4]) {
  ids[0] = ids[1] = ids[2] = ids[3] = 0xFF;
  const std::uint32_t got = m.ReadConfig(b, d, f, 0, ids, 4);
  busMissing = got == 0;
  return got >= 2 && le::Load16(ids) != 0xFFFF && le::Load16(ids) != 0;
}

bool IsMemory64(std::uint32_t bar) { return (bar & 1u) == 0 && (bar & 6u) == 4u; }

}  // namespace

std::uint32_t SizeBaseAddressRegister(MachineAccess& m, std::uint32_t b, std::uint32_t d,
                                      std::uint32_t f, std::uint32_t offset) {
  std::uint32_t original = 0;
  if (!ReadDword(m, b, d, f, offset, original)) return 0;
  WriteDword(m, b, d, f, offset, 0xFFFFFFFFu);
  std::uint32_t v = 0;
  const bool read = ReadDword(m, b, d, f, offset, v);
  WriteDword(m, b, d, f, offset, original);
  if (!read || v == 0) return 0;
  // The low bits of a base address register describe it (I/O flag, memory type, prefetch);
  // they are not part of the address mask and would spoil the size.
  const std::uint32_t mask = (v & 1u) ? (v & ~3u) : (v & ~15u);
  if (mask == 0) {
    // No address bit in the low half: a 64-bit region of 4 GiB or more, which the 32-bit
    // field can only give as its largest value; anything else decodes no address at all.
    return IsMemory64(v) ? 0xFFFFFFFFu : 0;
  }
  return ~mask + 1u;
}

bool FindPciFunction(MachineAccess& m, std::uint16_t vendorId, std::uint16_t deviceId,
                     std::uint32_t index, PciFound& found) {
  std::uint32_t count = 0;
  for (std::uint32_t b = 0; b < kBuses; ++b) {
    for (std::uint32_t d = 0; d < kDevices; ++d) {
      for (std::uint32_t f = 0; f < kFunctions; ++f) {
        bool busMissing = false;
        std::uint8_t ids[4];
        if (!Present(m, b, d, f, busMissing, ids)) {
          if (busMissing) d = kDevices;  // nothing more on this bus
          if (f == 0) break;             // no device in this slot
          continue;
        }
        std::uint8_t header[64];
        for (auto& byte : header) byte = 0xFF;
        m.ReadConfig(b, d, f, 0, header, 64);
        // A single-function device may answer for functions 1 to 7 as well: those echoes
        // are not functions of their own.
        const bool multiFunction = (header[kHeaderTypeOffset] & 0x80) != 0;

        const bool match = (vendorId == 0xFFFF) ||
                           (le::Load16(ids) == vendorId && le::Load16(ids + 2) == deviceId);
        if (match && count++ == index) {
          for (std::uint32_t i = 0; i < 64; ++i) found.header[i] = header[i];
          const std::uint32_t type = header[kHeaderTypeOffset] & 0x7F;
          bool upperHalf = false;
          for (std::uint32_t i = 0; i < 6; ++i) {
            found.barSizes[i] = 0;
            // A bridge has two base address registers, a CardBus bridge one; the dwords after
            // them hold bus numbers and windows, which must not be overwritten, even briefly.
            if (type > 2 || (type == 1 && i >= 2) || (type == 2 && i >= 1)) continue;
            // The upper half of a 64-bit memory register has no region of its own, whatever
            // size the lower half gave.
            if (upperHalf) {
              upperHalf = false;
              continue;
            }
            const std::uint32_t offset = kBarOffset + 4 * i;
            upperHalf = IsMemory64(le::Load32(header + offset));
            found.barSizes[i] = SizeBaseAddressRegister(m, b, d, f, offset);
          }
          found.bus = b;
          found.device = d;
          found.function = f;
          return true;
        }
        if (f == 0 && !multiFunction) break;
      }
    }
  }
  return false;
}

}  // namespace qz::tessel
