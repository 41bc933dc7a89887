#include "bootflash/firmware_transform.hpp"

#include "bootflash/firmware_cipher.hpp"
#include "bootflash/firmware_key.hpp"

namespace qz::bootflash {

void TransformFirmware(uint8_t* buffer, size_t length, bool forward) {
  uint8_t key[kCipherKeySize];
  BuildFirmwareKey(key);
  FirmwareCipher cipher;
  cipher.Init(key);
  WipeBytes(key, sizeof key);
  cipher.Transform(buffer, length, forward);
  cipher.Wipe();
}

}  // namespace qz::bootflash
