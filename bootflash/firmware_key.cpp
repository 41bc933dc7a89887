#include "bootflash/firmware_key.hpp"

#include "bootflash/firmware_cipher.hpp"

namespace qz::bootflash {
namespace {

// The flasher's constant material is written by code, four bytes a store, never held as a
// table in its data.
inline void Put4(uint8_t* p, uint8_t a, uint8_t b, uint8_t c, uint8_t d) {
  p[0] = a;
  p[1] = b;
  p[2] = c;
  p[3] = d;
}

void WriteMaterial(uint8_t* work) {
  Put4(work + 0, 0xBB, 0xCB, 0xE5, 0x57);
  Put4(work + 4, 0xF0, 0x8A, 0x3A, 0xA0);
  Put4(work + 8, 0x32, 0x26, 0x8A, 0x98);
  Put4(work + 12, 0x6A, 0xAD, 0x5C, 0x53);
  Put4(work + 16, 0x47, 0xFB, 0x92, 0x52);
  Put4(work + 20, 0x6D, 0xFE, 0x0E, 0x19);
  Put4(work + 24, 0xCA, 0x14, 0xCE, 0xBA);
  Put4(work + 28, 0xD8, 0x9B, 0x69, 0xBB);
}

void WriteFactors(uint8_t* factors) {
  Put4(factors + 0, 0xA7, 0x5B, 0xA9, 0xF1);
  Put4(factors + 4, 0xC1, 0xAD, 0x8F, 0xF1);
  Put4(factors + 8, 0x21, 0x69, 0x89, 0x55);
  Put4(factors + 12, 0x15, 0x19, 0x69, 0xB9);
  Put4(factors + 16, 0x0F, 0x75, 0xCF, 0xF3);
  Put4(factors + 20, 0x1D, 0x5D, 0xC7, 0x53);
  Put4(factors + 24, 0x35, 0xE9, 0xA1, 0x2D);
  Put4(factors + 28, 0x7B, 0xB7, 0xDF, 0x93);
}

void MultiplyKeyWork(uint8_t* work, const uint8_t* factors) {
  for (size_t i = 0; i < kFirmwareKeyWorkSize; ++i) {
    work[i] = static_cast<uint8_t>(work[i] * factors[i]);
  }
}

void FoldKeyWork(uint8_t* work) {
  for (size_t i = 0; i < 16; ++i) {
    work[i] = static_cast<uint8_t>(work[i] ^ (work[16 + i] & work[31 - i]));
  }
}

}  // namespace

void BuildFirmwareKey(uint8_t* out) {
  uint8_t material[kFirmwareKeyWorkSize];
  uint8_t factors[kFirmwareKeyWorkSize];
  uint8_t work[kFirmwareKeyWorkSize];
  WriteMaterial(material);
  WriteFactors(factors);
  OpaqueKeyWork(material);
  OpaqueKeyWork(factors);

  for (size_t i = 0; i < kFirmwareKeyWorkSize; ++i) work[i] = material[i];  // copy pass
  MultiplyKeyWork(work, factors);
  OpaqueKeyWork(work);
  FoldKeyWork(work);
  OpaqueKeyWork(work);
  for (size_t i = 0; i < 16; ++i) out[i] = work[i];

  WipeBytes(work, sizeof work);
  WipeBytes(material, sizeof material);
  WipeBytes(factors, sizeof factors);
}

}  // namespace qz::bootflash
