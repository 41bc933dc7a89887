// The shipped block as assembled, read back through the accessors and checked byte by byte
// at the offsets the layout gives.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "updater/package_block.hpp"
#include "updater/package_markers.hpp"
#include "updater/package_options.hpp"

namespace qz {
namespace {

using namespace pkg;

std::vector<std::uint8_t> ShippedCopy() {
  PackageBlock embedded = EmbeddedPackageBlock();
  return {embedded.bytes().begin(), embedded.bytes().end()};
}

std::string At(const std::vector<std::uint8_t>& b, std::size_t offset, std::size_t length) {
  return std::string(reinterpret_cast<const char*>(b.data() + offset), length);
}

bool AllZero(const std::vector<std::uint8_t>& b, std::size_t offset, std::size_t length) {
  for (std::size_t i = 0; i < length; ++i) {
    if (b[offset + i] != 0) return false;
  }
  return true;
}

TEST(PackageBlockLayout, MarkersSitAtTheirOffsets) {
  const auto b = ShippedCopy();
  EXPECT_EQ(At(b, kOptionString, 9), "PARA_OPT=");
  for (int n = 1; n <= 6; ++n) {
    EXPECT_EQ(At(b, BinStartRecord(n), 11), "BIN_START" + std::to_string(n) + "=");
    EXPECT_EQ(At(b, NewFwRecord(n), 8), "NEW_FW" + std::to_string(n) + "=");
    EXPECT_EQ(At(b, FwExtRecord(n), 8), "FW_EXT" + std::to_string(n) + "=");
    EXPECT_EQ(b[BinStartRecord(n) + 21], 0);
    EXPECT_EQ(b[BinSizeRecord(n) + 21], 0);
  }
  EXPECT_EQ(At(b, BinSizeRecord(1), 11), "BIN_SIZE1B=");
  EXPECT_EQ(At(b, BinSizeRecord(2), 11), "BIN_SIZE2 =");
  EXPECT_EQ(At(b, BinSizeRecord(6), 11), "BIN_SIZE6 =");
  EXPECT_EQ(At(b, kBootCodeArea, 15), std::string("BOOT_CODE_HERE\0", 15));
  EXPECT_TRUE(AllZero(b, kBootCodeArea + 14, kBootCodeAreaSize - 14));
  EXPECT_EQ(At(b, kAesBufArea, 13), std::string("AES_BUF_HERE\0", 13));
  EXPECT_TRUE(AllZero(b, kAesBufArea + 12, kAesBufAreaSize - 12));
  for (int i = 0; i < kSizeRecords; ++i) {
    EXPECT_EQ(At(b, SizeRecordOffset(i), kSizeKeys[i].size()), kSizeKeys[i]);
    EXPECT_EQ(b[SizeRecordValue(i) + 10], 0) << kSizeKeys[i];
  }
  EXPECT_EQ(PackageBlock(Bytes(const_cast<std::uint8_t*>(b.data()), b.size())).bytes().size(),
            kBlockSize);
}

TEST(PackageBlockLayout, ShippedHeaderAndRecords) {
  auto b = ShippedCopy();
  PackageBlock block(b);
  EXPECT_EQ(block.ProductVersion(), "v2.2.0");
  EXPECT_EQ(block.ProductTitle(), "Vortan IX Quenzar Utility for Windows");
  EXPECT_EQ(block.ReleaseDate(), "2012/07/25");
  EXPECT_EQ(block.SupportedModelText(), "VORTANIX QRX-480T9A");
  EXPECT_TRUE(AllZero(b, kSupportedModelText + 19, kSupportedModelTextSize - 19));
  EXPECT_EQ(block.PackageMode(), 0);
  EXPECT_EQ(At(b, kOptionDigits, 32), std::string("0000000001011000000010000002000\0", 32));
  EXPECT_EQ(block.ImageStartValue(1), 0u);
  EXPECT_EQ(block.ImageSizeValue(1), 262144u);
  EXPECT_EQ(At(b, BinSizeRecord(1) + 11, 10), "0000262144");
  for (int n = 2; n <= 6; ++n) EXPECT_EQ(block.ImageSizeValue(n), 0u);
  EXPECT_EQ(block.NewRevision(1), "VRDC");
  EXPECT_EQ(block.Extension(1), "VRDC-4");
  EXPECT_EQ(At(b, NewFwRecord(1) + 8, 8), std::string("VRDC\0\0\0\0", 8));
  EXPECT_EQ(At(b, NewFwRecord(2) + 8, 8), std::string("N/A    \0", 8));
  EXPECT_EQ(block.NewRevision(6), "N/A    ");
  EXPECT_EQ(block.Extension(4), "N/A    ");
  EXPECT_EQ(block.Image(1).size(), 262144u);
  EXPECT_EQ(block.Image(1).data(), b.data() + kFirmwareArea);

  // Slot 2 (XP x64) is sized for the x64 build it carries.
  const std::uint64_t flasher[] = {20480, 25600, 20480, 25600, 20480,
                                   25600, 20480, 25600, 20480, 25600};
  for (int s = 1; s <= 10; ++s) EXPECT_EQ(block.FlasherSize(s), flasher[s - 1]) << s;
  EXPECT_EQ(block.CopySize(1), 7680u);
  EXPECT_EQ(block.CopySize(2), 8704u);
  EXPECT_EQ(block.CopySize(3), 7680u);
  EXPECT_EQ(block.CopySize(4), 5120u);
  EXPECT_EQ(block.FlasherSlot(3).data(), b.data() + kFlasherArea + 2 * 262144);
  EXPECT_EQ(block.CopySlot(4).data(), b.data() + kCopyArea + 3 * 12288);
}

TEST(PackageBlockLayout, ShippedModelTable) {
  auto b = ShippedCopy();
  PackageBlock block(b);
  EXPECT_EQ(block.MinRevision(0, 0), "VRD!");
  EXPECT_EQ(block.MaxRevision(0, 0), "VRD~");
  EXPECT_EQ(block.ModelName(0, 0), "VORTANIX QRX-480T9A     ");
  EXPECT_EQ(block.AuxText(0, 0), "#");
  for (int row = 0; row < 6; ++row) {
    for (int entry = 0; entry < 8; ++entry) {
      const std::size_t e = ModelEntry(row, entry);
      EXPECT_TRUE(AllZero(b, e + 72, 4));
      if (row == 0 && entry == 0) continue;
      const std::string marker = "#FLSH" + std::to_string(row + 1) + std::to_string(entry + 1);
      EXPECT_EQ(At(b, e, 8), marker + '\0');
      EXPECT_EQ(At(b, e + 8, 2), std::string("#\0", 2));
      EXPECT_EQ(At(b, e + 16, 2), std::string("#\0", 2));
      EXPECT_EQ(At(b, e + 56, 2), std::string("#\0", 2));
    }
  }
}

TEST(PackageBlockRecords, DecimalValues) {
  std::uint8_t digits[10];
  EXPECT_TRUE(PackageBlock::WriteDecimal10(digits, 1572864));
  EXPECT_EQ(std::string(reinterpret_cast<char*>(digits), 10), "0001572864");
  EXPECT_EQ(PackageBlock::ReadDecimal(digits), 1572864u);
  EXPECT_TRUE(PackageBlock::WriteDecimal10(digits, 9999999999ull));
  EXPECT_EQ(PackageBlock::ReadDecimal(digits), 9999999999ull);
  EXPECT_FALSE(PackageBlock::WriteDecimal10(digits, 10000000000ull));
  const std::uint8_t stops[] = {'1', '2', ' ', '4'};
  EXPECT_EQ(PackageBlock::ReadDecimal(stops), 12u);
}

TEST(PackageBlockRecords, ImageOutsideTheAreaIsEmpty) {
  auto b = ShippedCopy();
  PackageBlock block(b);
  block.SetImageStartValue(2, kFirmwareAreaSize - 16);
  block.SetImageSizeValue(2, 16);
  EXPECT_EQ(block.Image(2).size(), 16u);
  block.SetImageSizeValue(2, 32);  // would run into the AES area and the flasher builds
  EXPECT_TRUE(block.Image(2).empty());
  block.SetImageStartValue(3, 9999999999ull);
  block.SetImageSizeValue(3, 16);
  EXPECT_TRUE(block.Image(3).empty());
}

TEST(PackageBlockModelTable, TerminateRevisionsTouchesRowsOneToFourOnly) {
  auto b = ShippedCopy();
  for (int row = 0; row < 6; ++row) {
    std::memcpy(b.data() + ModelEntry(row, 2), "ABCDEFGH", 8);
    std::memcpy(b.data() + ModelEntry(row, 2) + 8, "HGFEDCBA", 8);
  }
  PackageBlock block(b);
  block.TerminateRevisions();
  for (int row = 0; row < 4; ++row) {
    EXPECT_EQ(block.MinRevision(row, 2), "ABCDEFG");
    EXPECT_EQ(block.MaxRevision(row, 2), "HGFEDCB");
  }
  EXPECT_EQ(At(b, ModelEntry(4, 2), 8), "ABCDEFGH");
  EXPECT_EQ(At(b, ModelEntry(5, 2) + 8, 8), "HGFEDCBA");
}

TEST(PackageBlockModelTable, ClearModelTableBlanksRealEntriesCountingFromZero) {
  auto b = ShippedCopy();
  std::memcpy(b.data() + ModelEntry(3, 7), "ABC\0", 4);
  std::memcpy(b.data() + ModelEntry(4, 0), "KEEP\0", 5);  // row 5 is not touched
  const auto before = b;
  PackageBlock block(b);
  block.ClearModelTable();
  EXPECT_EQ(block.MinRevision(0, 0), "#FLSH00");
  EXPECT_EQ(block.MaxRevision(0, 0), "#");
  EXPECT_EQ(block.ModelName(0, 0), "#");
  EXPECT_EQ(block.AuxText(0, 0), "#");
  EXPECT_TRUE(AllZero(b, ModelEntry(0, 0) + 17, 39));  // the old model name is gone
  EXPECT_EQ(block.MinRevision(3, 7), "#FLSH37");
  EXPECT_EQ(block.MinRevision(4, 0), "KEEP");
  // Entries already blank keep their shipped markers.
  EXPECT_EQ(block.MinRevision(0, 1), "#FLSH12");
  for (int row = 0; row < 6; ++row) {
    for (int entry = 0; entry < 8; ++entry) {
      if ((row == 0 && entry == 0) || (row == 3 && entry == 7)) continue;
      EXPECT_EQ(0, std::memcmp(b.data() + ModelEntry(row, entry),
                               before.data() + ModelEntry(row, entry), kEntrySize));
    }
  }
}

}  // namespace
}  // namespace qz
