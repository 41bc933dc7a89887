#pragma once
// The updater's own copy of the firmware key routine, independent of the flasher's
// (bootflash/firmware_key.hpp): it starts from two 32-byte constant tables in the updater's
// data and must yield the same 16 bytes. The key itself is stored in neither program.
#include <stddef.h>
#include <stdint.h>

namespace qz::staging {

inline constexpr size_t kFirmwareKeyTableSize = 32;

// Builds the key in a 32-byte working buffer: a copy pass of the material table, a
// byte-wise multiplication pass (mod 256) by the factor table, and an XOR-and-mask pass that
// folds the upper half into the lower one. Writes the first 16 bytes of the buffer to `out`;
// the caller should clear them after use.
void BuildFirmwareKey(uint8_t* out);

}  // namespace qz::staging
