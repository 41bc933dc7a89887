#pragma once
// AES-128 (FIPS-197) for the firmware file. Shared by the updater and the CRT-free boot-time
// flasher, so it uses nothing beyond <stdint.h>/<stddef.h>: no exceptions, no heap, no static
// constructors. The object is plain data (about 9 KiB) and may live on the stack or in zeroed
// global storage; nothing in it is valid until Init.
#include <stddef.h>
#include <stdint.h>

namespace qz::bootflash {

inline constexpr size_t kCipherBlockSize = 16;
inline constexpr size_t kCipherKeySize = 16;

// Bytes a transform of `length` bytes touches: (length + 16) with the low 4 bits cleared,
// always more than `length` (a whole extra block when length is a multiple of 16). Returns 0
// when that sum would not fit in size_t, and transforms then touch nothing.
size_t ProcessedLength(size_t length);

// Clears `size` bytes in a way the compiler may not drop (keys, schedules).
void WipeBytes(void* bytes, size_t size);

class FirmwareCipher {
 public:
  // Computes every table at run time (exp/log over GF(2^8) with generator 3, the S-boxes, the
  // round constants and the eight round tables), then both key schedules for the 16-byte key.
  void Init(const uint8_t* key);

  // One 16-byte block in place: the AES forward cipher / the AES inverse cipher.
  void EncryptBlock(uint8_t* block) const;
  void DecryptBlock(uint8_t* block) const;

  // Every block at offsets 0, 16, ... below ProcessedLength(length), independently (ECB):
  // forward cipher when `forward`, else inverse cipher. `buffer` must hold
  // ProcessedLength(length) bytes.
  void Transform(uint8_t* buffer, size_t length, bool forward) const;

  // Clears the key schedules and tables.
  void Wipe();

 private:
  uint8_t sbox_[256];
  uint8_t inv_sbox_[256];
  uint32_t fwd_[4][256];
  uint32_t inv_[4][256];
  uint32_t rcon_[10];
  uint32_t enc_keys_[44];
  uint32_t dec_keys_[44];
};

}  // namespace qz::bootflash
