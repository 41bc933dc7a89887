#pragma once
// The updater's firmware transform: its own key copy with the shared AES-128 core. The
// update command calls it with `forward` false on the package's image and writes `length`
// bytes of the result as FW.bin; the flasher reverses it with the forward cipher.
#include <stddef.h>
#include <stdint.h>

namespace qz::staging {

// Whether the update command may transform an image of `length` bytes: a non-zero multiple
// of 16. FW.bin keeps only `length` bytes, so the last partial block of any other length
// could never be restored, and an empty image has no firmware in it.
bool FirmwareImageLengthAccepted(size_t length);

// Transforms bootflash::ProcessedLength(length) bytes of `buffer` in place (one whole block
// more than `length` when it is a multiple of 16): the AES inverse cipher unless `forward`.
// `buffer` must hold that many bytes. The key and cipher state are cleared afterwards.
void TransformFirmware(uint8_t* buffer, size_t length, bool forward);

}  // namespace qz::staging
