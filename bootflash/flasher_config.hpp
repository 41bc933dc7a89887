#pragma once
// The flasher's configuration block: fixed ASCII key texts, each followed by a fixed-width
// value field. The updater fills it by key search in a copy of the flasher image
// (image_field.hpp); the flasher reads the values at fixed positions. The 16-byte field after
// "KEY=" holds, in its first 8 bytes, the revision of the drive the updater staged for (blanks
// as built, and in images staged by an older updater). Two layouts: the 32-bit
// builds pack the fields (272 bytes), the 64-bit builds start each field on a multiple of 8
// (288 bytes, NUL gaps). Each value sits at the same distance from its own key text in both.
// CRT-free: the flasher links this.
#include <stddef.h>
#include <stdint.h>

namespace qz::bootflash {

inline constexpr size_t kConfigStagedRevisionWidth = 16;
inline constexpr size_t kConfigFlagWidth = 1;
inline constexpr size_t kConfigRevisionWidth = 8;
inline constexpr size_t kConfigExtensionWidth = 8;
inline constexpr size_t kConfigCountWidth = 4;
inline constexpr size_t kConfigModelWidth = 24;
inline constexpr uint32_t kMaxTargetModels = 6;

// Key lengths; the texts are "KEY=", "UPDATEBOOT=", "_____FW=", "_FW_EXT=", "DRIVECOUNT=" and
// "VENDID1=" ... "VENDID6=". They are not terminated inside the block.
inline constexpr size_t kStagedRevisionKeyLength = 4;
inline constexpr size_t kUpdateBootKeyLength = 11;
inline constexpr size_t kRevisionKeyLength = 8;
inline constexpr size_t kExtensionKeyLength = 8;
inline constexpr size_t kDriveCountKeyLength = 11;
inline constexpr size_t kModelKeyLength = 8;

// Offsets of the key texts inside the block; a value starts right after its key.
struct FlasherConfigLayout {
  size_t size;
  size_t stagedRevisionKey;
  size_t updateBootKey;
  size_t revisionKey;
  size_t extensionKey;
  size_t driveCountKey;
  size_t firstModelKey;  // "VENDID1="; model k+1 at firstModelKey + k * modelStride
  size_t modelStride;
};

inline constexpr FlasherConfigLayout kFlasherConfig32 = {272, 0, 20, 32, 48, 64, 80, 32};
inline constexpr FlasherConfigLayout kFlasherConfig64 = {288, 0, 24, 40, 56, 72, 96, 32};
inline constexpr size_t kFlasherConfigMaxSize = 288;

// The layout of the build being compiled.
inline constexpr const FlasherConfigLayout& kFlasherConfigThisBuild =
    sizeof(void*) == 8 ? kFlasherConfig64 : kFlasherConfig32;

namespace config_detail {
constexpr void Put(uint8_t* out, size_t offset, const char* text, size_t count) {
  for (size_t i = 0; i < count; ++i) out[offset + i] = static_cast<uint8_t>(text[i]);
}
constexpr void Fill(uint8_t* out, size_t offset, uint8_t value, size_t count) {
  for (size_t i = 0; i < count; ++i) out[offset + i] = value;
}
}  // namespace config_detail

// Writes the block as built (layout.size bytes): every key text with its initial value
// ("0" flag, blank revision and extension, "0000" count, "N/A" and 21 blanks per model) and NUL
// in every gap.
constexpr void BuildFlasherConfig(const FlasherConfigLayout& layout, uint8_t* out) {
  using config_detail::Fill;
  using config_detail::Put;
  Fill(out, 0, 0, layout.size);
  Put(out, layout.stagedRevisionKey, "KEY=", kStagedRevisionKeyLength);
  Fill(out, layout.stagedRevisionKey + kStagedRevisionKeyLength, ' ', kConfigStagedRevisionWidth);
  Put(out, layout.updateBootKey, "UPDATEBOOT=0", kUpdateBootKeyLength + kConfigFlagWidth);
  Put(out, layout.revisionKey, "_____FW=", kRevisionKeyLength);
  Fill(out, layout.revisionKey + kRevisionKeyLength, ' ', kConfigRevisionWidth);
  Put(out, layout.extensionKey, "_FW_EXT=", kExtensionKeyLength);
  Fill(out, layout.extensionKey + kExtensionKeyLength, ' ', kConfigExtensionWidth);
  Put(out, layout.driveCountKey, "DRIVECOUNT=0000", kDriveCountKeyLength + kConfigCountWidth);
  for (size_t k = 0; k < kMaxTargetModels; ++k) {
    const size_t key = layout.firstModelKey + k * layout.modelStride;
    Put(out, key, "VENDID", 6);
    out[key + 6] = static_cast<uint8_t>('1' + k);
    out[key + 7] = '=';
    Put(out, key + kModelKeyLength, "N/A", 3);
    Fill(out, key + kModelKeyLength + 3, ' ', kConfigModelWidth - 3);
  }
}

// The block as initialized data of one build.
template <size_t N>
struct FlasherConfigBlock {
  uint8_t bytes[N];
};

template <size_t N>
constexpr FlasherConfigBlock<N> MakeFlasherConfig(const FlasherConfigLayout& layout) {
  FlasherConfigBlock<N> block{};
  BuildFlasherConfig(layout, block.bytes);
  return block;
}

// This build's block (flasher_config_data.cpp): writable initialized data, so neither the
// compiler nor the linker may treat its built bytes as constants. Returns its first byte.
uint8_t* FlasherConfigBytes();

// What the flasher reads, at fixed positions; the pointers point into the block.
struct FlasherSettings {
  bool updateBoot;               // '=' and '1' at the last key byte and the flag byte
  const uint8_t* revision;       // 8 bytes: target revision, IDENTIFY words 23-26 order
  const uint8_t* stagedRevision;  // 8 bytes: the staged drive's revision before the update
  bool revisionStaged;           // the "KEY=" field is not all blanks
  const uint8_t* extension;      // 8 bytes: expected firmware extension
  const uint8_t* countDigits;    // 4 ASCII digits
  bool countValid;               // all four are digits and their value is at most 6
  uint32_t targetCount;          // their value when countValid, else 0 (no target matches)
  const uint8_t* models[kMaxTargetModels];  // 24 bytes each
};

// Reads a block of `layout` at `block`.
void ReadFlasherConfig(const uint8_t* block, const FlasherConfigLayout& layout,
                       FlasherSettings* out);

// Finds the block of `layout` in a flasher image held as bytes (a staged copy read from disk,
// as the simulated boot reads it): the first offset where every key text stands at its
// layout position, or -1 when there is none. The running flasher uses FlasherConfigBytes().
// Kept apart from the reader so that the key texts are linked only where this is used.
ptrdiff_t LocateFlasherConfig(const uint8_t* image, size_t length,
                              const FlasherConfigLayout& layout);

}  // namespace qz::bootflash
