#pragma once
// The boot-time flasher's own copy of the firmware key routine. The updater carries an
// independent copy with different constant material (staging/firmware_key_tables.hpp); both
// yield the same 16 bytes, and the key itself is stored in neither program.
#include <stddef.h>
#include <stdint.h>

namespace qz::bootflash {

inline constexpr size_t kFirmwareKeyWorkSize = 32;

// Builds the key in a 32-byte working buffer: a copy pass of 32 constant bytes, a byte-wise
// multiplication pass (mod 256) by 32 constant factors, and an XOR-and-mask pass that folds
// the upper half into the lower one (byte i ^= byte 16+i & byte 31-i). The first 16 bytes are
// the key. Writes the 16-byte key to `out`. The caller should clear it (WipeBytes) after use.
void BuildFirmwareKey(uint8_t* out);

// Makes the compiler treat `bytes` as read and rewritten by unknown code, so the passes are
// really computed at run time instead of being folded into a stored copy of the key.
inline void OpaqueKeyWork(uint8_t* bytes) {
  __asm__ __volatile__("" : : "r"(bytes) : "memory");
}

}  // namespace qz::bootflash
