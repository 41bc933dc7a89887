#pragma once
// Where every area and record of the package block lies, as byte offsets from the block's
// first byte. The updater reads fields here and nowhere else; the build step (packer) finds the
// same areas by their marker texts and checks them against these offsets.
#include <array>
#include <cstddef>

namespace qz::pkg {

// Header texts, NUL-padded.
inline constexpr std::size_t kProductVersion = 0, kProductVersionSize = 13;
inline constexpr std::size_t kProductTitle = 13, kProductTitleSize = 64;
inline constexpr std::size_t kReleaseDate = 77, kReleaseDateSize = 12;
inline constexpr std::size_t kSupportedModelText = 89, kSupportedModelTextSize = 65;

// Model table: 6 rows of 8 entries of 76 bytes, directly after the supported-model text.
inline constexpr std::size_t kModelTable = 154;
inline constexpr int kRows = 6, kEntriesPerRow = 8;
inline constexpr std::size_t kEntrySize = 76, kRowSize = kEntrySize * kEntriesPerRow;
inline constexpr std::size_t kEntryMinRevision = 0, kRevisionSize = 8;
inline constexpr std::size_t kEntryMaxRevision = 8;
inline constexpr std::size_t kEntryModelName = 16, kModelNameSize = 40;
inline constexpr std::size_t kEntryAuxText = 56, kAuxTextSize = 16;
inline constexpr std::size_t kModelTableSize = kRowSize * kRows;  // 3648

// Option string: "PARA_OPT=", the signed PackageMode byte, 31 digits, a zero byte.
inline constexpr std::size_t kOptionString = kModelTable + kModelTableSize;  // 3802
inline constexpr std::size_t kPackageMode = kOptionString + 9;
inline constexpr std::size_t kOptionDigits = kPackageMode + 1;
inline constexpr int kOptionDigitCount = 31;
inline constexpr std::size_t kOptionStringSize = 42;

// Per-package records: a key of fixed length, then the value.
inline constexpr int kPackages = 6;
inline constexpr std::size_t kNumberRecordSize = 22;  // 11-character key, 10 digits, a zero byte
inline constexpr std::size_t kNumberKeySize = 11, kNumberDigits = 10;
inline constexpr std::size_t kBinStart = kOptionString + kOptionStringSize;  // 3844
inline constexpr std::size_t kBinSize = kBinStart + kNumberRecordSize * kPackages;
inline constexpr std::size_t kTextRecordSize = 16;  // 8-character key, 8-byte value
inline constexpr std::size_t kTextKeySize = 8, kTextValueSize = 8;
inline constexpr std::size_t kNewFw = kBinSize + kNumberRecordSize * kPackages;
inline constexpr std::size_t kFwExt = kNewFw + kTextRecordSize * kPackages;

inline constexpr std::size_t kBootCodeArea = kFwExt + kTextRecordSize * kPackages;  // 4300
inline constexpr std::size_t kBootCodeAreaSize = 4096;

inline constexpr std::size_t kPackageSlotSize = 262144;
inline constexpr std::size_t kFirmwareArea = kBootCodeArea + kBootCodeAreaSize;  // 8396
inline constexpr std::size_t kFirmwareAreaSize = kPackageSlotSize * kPackages;   // 1,572,864

inline constexpr std::size_t kAesBufArea = kFirmwareArea + kFirmwareAreaSize;
inline constexpr std::size_t kAesBufAreaSize = 256;

inline constexpr int kFlasherSlots = 10;
inline constexpr std::size_t kFlasherSlotSize = 262144;
inline constexpr std::size_t kFlasherArea = kAesBufArea + kAesBufAreaSize;
inline constexpr int kCopySlots = 4;
inline constexpr std::size_t kCopySlotSize = 12288;
inline constexpr std::size_t kCopyArea = kFlasherArea + kFlasherSlotSize * kFlasherSlots;

// Size records, one per flasher slot then one per copy slot: key, 10 digits, a zero byte.
// Only the keys' lengths live here: the marker texts themselves must appear nowhere in the
// program but in its block (package_markers.hpp has them for the packer and the tests).
inline constexpr int kSizeRecords = kFlasherSlots + kCopySlots;
inline constexpr std::array<std::size_t, kSizeRecords> kSizeKeyLengths = {
    12, 12, 14, 14, 15, 15, 14, 14, 14, 14, 14, 14, 14, 14};
inline constexpr std::size_t kSizeRecordArea = kCopyArea + kCopySlotSize * kCopySlots;

constexpr std::size_t SizeRecordOffset(int index) {
  std::size_t offset = kSizeRecordArea;
  for (int i = 0; i < index; ++i) offset += kSizeKeyLengths[i] + kNumberDigits + 1;
  return offset;
}
// Where the 10 digits of size record `index` (0-13) begin.
constexpr std::size_t SizeRecordValue(int index) {
  return SizeRecordOffset(index) + kSizeKeyLengths[index];
}

inline constexpr std::size_t kBlockSize = SizeRecordOffset(kSizeRecords);

// Record offsets for package n (1-6) and model entries (row, entry counted from 0).
constexpr std::size_t BinStartRecord(int n) { return kBinStart + kNumberRecordSize * (n - 1); }
constexpr std::size_t BinSizeRecord(int n) { return kBinSize + kNumberRecordSize * (n - 1); }
constexpr std::size_t NewFwRecord(int n) { return kNewFw + kTextRecordSize * (n - 1); }
constexpr std::size_t FwExtRecord(int n) { return kFwExt + kTextRecordSize * (n - 1); }
constexpr std::size_t ModelEntry(int row, int entry) {
  return kModelTable + kRowSize * row + kEntrySize * entry;
}
// Flasher slot s (1-10) and copy slot c (1-4).
constexpr std::size_t FlasherSlot(int s) { return kFlasherArea + kFlasherSlotSize * (s - 1); }
constexpr std::size_t CopySlot(int c) { return kCopyArea + kCopySlotSize * (c - 1); }

static_assert(kOptionString == 3802 && kBinStart == 3844 && kBootCodeArea == 4300);
static_assert(kFirmwareArea == 8396 && kAesBufArea == 1581260 && kFlasherArea == 1581516);
static_assert(kCopyArea == 4202956 && kSizeRecordArea == 4252108 && kBlockSize == 4252456);

}  // namespace qz::pkg
