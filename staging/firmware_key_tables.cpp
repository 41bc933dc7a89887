#include "staging/firmware_key_tables.hpp"

namespace qz::staging {

// The updater's constant material: 32 starting bytes and 32 factors, in its data.
extern const uint8_t kFirmwareKeyMaterial[kFirmwareKeyTableSize];
extern const uint8_t kFirmwareKeyFactors[kFirmwareKeyTableSize];

const uint8_t kFirmwareKeyMaterial[kFirmwareKeyTableSize] = {
    0x78, 0xC7, 0xFA, 0xEB, 0x80, 0x72, 0x24, 0x66,
    0xC0, 0xE4, 0xFA, 0x38, 0x02, 0xC2, 0x2E, 0x0A,
    0x96, 0x4B, 0x3F, 0x84, 0x4E, 0x72, 0xB6, 0xBC,
    0x81, 0xBD, 0x92, 0x60, 0xFD, 0xF9, 0xD7, 0x7C,
};

const uint8_t kFirmwareKeyFactors[kFirmwareKeyTableSize] = {
    0x95, 0xC9, 0xE5, 0x85, 0xAF, 0x1B, 0xF9, 0x53,
    0x3D, 0x65, 0x3B, 0x37, 0x21, 0x55, 0xF3, 0x63,
    0xA9, 0x89, 0x65, 0x4F, 0x1F, 0xD5, 0x33, 0xD7,
    0x3B, 0xEF, 0x1B, 0x45, 0x85, 0x7B, 0xC7, 0xA3,
};

namespace {

// The compiler must not see through these: the key is computed at run time from the tables,
// never folded into constants of the program.
template <typename T>
T* Opaque(T* p) {
  __asm__ __volatile__("" : "+r"(p) : : "memory");
  return p;
}

void Clear(uint8_t* bytes, size_t size) {
  volatile uint8_t* p = bytes;
  for (size_t i = 0; i < size; ++i) p[i] = 0;
}

}  // namespace

void BuildFirmwareKey(uint8_t* out) {
  const uint8_t* material = Opaque(kFirmwareKeyMaterial);
  const uint8_t* factors = Opaque(kFirmwareKeyFactors);
  uint8_t work[kFirmwareKeyTableSize];

  for (size_t i = 0; i < kFirmwareKeyTableSize; ++i) work[i] = material[i];
  for (size_t i = 0; i < kFirmwareKeyTableSize; ++i) {
    work[i] = static_cast<uint8_t>(work[i] * factors[i]);
  }
  uint8_t* folded = Opaque(work);
  for (size_t i = 0; i < 16; ++i) {
    folded[i] = static_cast<uint8_t>(folded[i] ^ (folded[16 + i] & folded[31 - i]));
  }
  for (size_t i = 0; i < 16; ++i) out[i] = Opaque(work)[i];
  Clear(work, sizeof work);
}

}  // namespace qz::staging
