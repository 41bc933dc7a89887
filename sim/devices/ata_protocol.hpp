#pragma once
// What a simulated ATA device knows of each command byte on its own: whether data moves and
// which way, how many bytes, and whether the registers carry 48-bit high-order bytes. The
// register-level simulations use it; nothing here comes from the code under test.
#include <cstdint>

#include "sim/devices/ata_link.hpp"

namespace qz::sim {

struct AtaProtocol {
  AtaLinkDirection direction = AtaLinkDirection::None;
  std::uint32_t length = 0;
  bool is48Bit = false;
};

// `previousCount`: the sector count's high-order byte (48-bit commands only).
inline AtaProtocol ProtocolOf(std::uint8_t command, std::uint8_t features, std::uint8_t count,
                              std::uint8_t lbaLow, std::uint8_t previousCount) {
  AtaProtocol p;
  const auto sectors = [&](bool extended) {
    std::uint32_t n = count;
    if (extended) n |= static_cast<std::uint32_t>(previousCount) << 8;
    if (n == 0) n = extended ? 65536u : 256u;
    return n * 512u;
  };
  switch (command) {
    case 0xEC:  // IDENTIFY DEVICE
    case 0xE4:  // READ BUFFER
      p.direction = AtaLinkDirection::In;
      p.length = 512;
      break;
    case 0xE8:  // WRITE BUFFER
      p.direction = AtaLinkDirection::Out;
      p.length = 512;
      break;
    case 0x20:  // READ SECTORS
    case 0x21:
      p.direction = AtaLinkDirection::In;
      p.length = sectors(false);
      break;
    case 0x30:  // WRITE SECTORS
    case 0x31:
      p.direction = AtaLinkDirection::Out;
      p.length = sectors(false);
      break;
    case 0x24:  // READ SECTORS EXT
      p.direction = AtaLinkDirection::In;
      p.length = sectors(true);
      p.is48Bit = true;
      break;
    case 0x34:  // WRITE SECTORS EXT
      p.direction = AtaLinkDirection::Out;
      p.length = sectors(true);
      p.is48Bit = true;
      break;
    case 0x92:  // DOWNLOAD MICROCODE: blocks in count and LBA low
      p.direction = AtaLinkDirection::Out;
      p.length = (count | (static_cast<std::uint32_t>(lbaLow) << 8)) * 512u;
      break;
    case 0xFF:  // the vendor-unique pair: parameters out, answer in
      p.direction = features == 0xFC ? AtaLinkDirection::Out : AtaLinkDirection::In;
      p.length = 512;
      break;
    case 0x27:  // READ NATIVE MAX ADDRESS EXT
    case 0x37:  // SET MAX ADDRESS EXT
    case 0x42:  // READ VERIFY SECTORS EXT
    case 0xEA:  // FLUSH CACHE EXT
      p.is48Bit = true;
      break;
    default:
      break;
  }
  return p;
}

}  // namespace qz::sim
