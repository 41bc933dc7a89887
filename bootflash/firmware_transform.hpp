#pragma once
// The flasher's firmware transform: its own key copy (firmware_key.hpp) with the shared
// AES-128 core. The boot-time flasher calls it with `forward` true on the contents of FW.bin.
#include <stddef.h>
#include <stdint.h>

namespace qz::bootflash {

// Builds the key and the cipher tables, then transforms ProcessedLength(length) bytes of
// `buffer` in place, block by block: the AES forward cipher when `forward`, else the inverse.
// `buffer` must hold ProcessedLength(length) bytes; the bytes past `length` are transformed
// too. The key, tables and schedules (about 9 KiB of stack) are cleared before returning.
// It cannot fail: a wrong key only shows as an image without its marker.
void TransformFirmware(uint8_t* buffer, size_t length, bool forward);

}  // namespace qz::bootflash
