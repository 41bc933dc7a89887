#pragma once
// What some models need besides the generic download, as data that the flasher's one flow
// reads: a drive whose IDENTIFY model and revision begin with a row's texts gets the row's
// steps before its download. Constant data: with one row, the flasher's builds fold it into
// the code that reads it. CRT-free: the flasher links this.
#include <stddef.h>
#include <stdint.h>

namespace qz::bootflash {

struct ModelException {
  const char* model;  // the beginning of the model field, in IDENTIFY order
  uint8_t modelLength;
  const char* revision;  // the beginning of the revision field
  uint8_t revisionLength;
  // EEPROM bytes written with zero before the download, first to last; none when first > last.
  uint16_t clearEepromFirst, clearEepromLast;
};

inline constexpr ModelException kModelExceptions[] = {
    {"KELDRON  ZT-512R4A", 18, "1.00", 4, 0x4048, 0x404F},
};

}  // namespace qz::bootflash
