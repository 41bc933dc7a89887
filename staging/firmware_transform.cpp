#include "staging/firmware_transform.hpp"

#include "bootflash/firmware_cipher.hpp"
#include "staging/firmware_key_tables.hpp"

namespace qz::staging {

bool FirmwareImageLengthAccepted(size_t length) {
  return length != 0 && length % bootflash::kCipherBlockSize == 0;
}

void TransformFirmware(uint8_t* buffer, size_t length, bool forward) {
  uint8_t key[bootflash::kCipherKeySize];
  BuildFirmwareKey(key);
  bootflash::FirmwareCipher cipher;
  cipher.Init(key);
  bootflash::WipeBytes(key, sizeof key);
  cipher.Transform(buffer, length, forward);
  cipher.Wipe();
}

}  // namespace qz::staging
