#include "updater/package_block.hpp"

#include <cstdio>
#include <cstring>
#include <stdexcept>

extern "C" unsigned char qz_package_block[];

namespace qz {

using namespace pkg;

PackageBlock::PackageBlock(Bytes bytes) : bytes_(bytes) {
  if (bytes_.size() < kBlockSize) throw std::invalid_argument("package block too small");
}

PackageBlock EmbeddedPackageBlock() { return PackageBlock(Bytes(qz_package_block, kBlockSize)); }

std::string PackageBlock::Text(std::size_t offset, std::size_t size) const {
  const auto* begin = reinterpret_cast<const char*>(bytes_.data() + offset);
  std::size_t length = 0;
  while (length < size && begin[length] != '\0') ++length;
  return std::string(begin, length);
}

std::string PackageBlock::ProductVersion() const {
  return Text(kProductVersion, kProductVersionSize);
}
std::string PackageBlock::ProductTitle() const { return Text(kProductTitle, kProductTitleSize); }
std::string PackageBlock::ReleaseDate() const { return Text(kReleaseDate, kReleaseDateSize); }
std::string PackageBlock::SupportedModelText() const {
  return Text(kSupportedModelText, kSupportedModelTextSize);
}

std::string PackageBlock::MinRevision(int row, int entry) const {
  return Text(ModelEntry(row, entry) + kEntryMinRevision, kRevisionSize);
}
std::string PackageBlock::MaxRevision(int row, int entry) const {
  return Text(ModelEntry(row, entry) + kEntryMaxRevision, kRevisionSize);
}
std::string PackageBlock::ModelName(int row, int entry) const {
  return Text(ModelEntry(row, entry) + kEntryModelName, kModelNameSize);
}
std::string PackageBlock::AuxText(int row, int entry) const {
  return Text(ModelEntry(row, entry) + kEntryAuxText, kAuxTextSize);
}
Bytes PackageBlock::Entry(int row, int entry) const {
  return bytes_.subspan(ModelEntry(row, entry), kEntrySize);
}

std::int8_t PackageBlock::PackageMode() const {
  return static_cast<std::int8_t>(bytes_[kPackageMode]);
}

char PackageBlock::OptionDigit(int n) const {
  return static_cast<char>(bytes_[kOptionDigits + static_cast<std::size_t>(n - 1)]);
}

std::uint64_t PackageBlock::ReadDecimal(ConstBytes digits) {
  std::uint64_t value = 0;
  for (std::size_t i = 0; i < digits.size() && i < kNumberDigits; ++i) {
    const std::uint8_t c = digits[i];
    if (c < '0' || c > '9') break;
    value = value * 10 + (c - '0');
  }
  return value;
}

bool PackageBlock::WriteDecimal10(Bytes digits, std::uint64_t value) {
  if (digits.size() < kNumberDigits || value > 9999999999ull) return false;
  for (std::size_t i = kNumberDigits; i-- > 0;) {
    digits[i] = static_cast<std::uint8_t>('0' + value % 10);
    value /= 10;
  }
  return true;
}

std::uint64_t PackageBlock::ImageStartValue(int n) const {
  return ReadDecimal(bytes_.subspan(BinStartRecord(n) + kNumberKeySize, kNumberDigits));
}
std::uint64_t PackageBlock::ImageSizeValue(int n) const {
  return ReadDecimal(bytes_.subspan(BinSizeRecord(n) + kNumberKeySize, kNumberDigits));
}
void PackageBlock::SetImageStartValue(int n, std::uint64_t value) {
  WriteDecimal10(bytes_.subspan(BinStartRecord(n) + kNumberKeySize, kNumberDigits), value);
}
void PackageBlock::SetImageSizeValue(int n, std::uint64_t value) {
  WriteDecimal10(bytes_.subspan(BinSizeRecord(n) + kNumberKeySize, kNumberDigits), value);
}

std::string PackageBlock::NewRevision(int n) const {
  return Text(NewFwRecord(n) + kTextKeySize, kTextValueSize);
}
std::string PackageBlock::Extension(int n) const {
  return Text(FwExtRecord(n) + kTextKeySize, kTextValueSize);
}

Bytes PackageBlock::FirmwareArea() const { return bytes_.subspan(kFirmwareArea, kFirmwareAreaSize); }

Bytes PackageBlock::Image(int n) const {
  const std::uint64_t start = ImageStartValue(n);
  const std::uint64_t size = ImageSizeValue(n);
  // Records that point past the area would hand out the flasher builds as firmware.
  if (start > kFirmwareAreaSize || size > kFirmwareAreaSize - start) return {};
  return FirmwareArea().subspan(static_cast<std::size_t>(start), static_cast<std::size_t>(size));
}

Bytes PackageBlock::FlasherSlot(int s) const {
  return bytes_.subspan(pkg::FlasherSlot(s), kFlasherSlotSize);
}
std::uint64_t PackageBlock::FlasherSize(int s) const {
  return ReadDecimal(bytes_.subspan(SizeRecordValue(s - 1), kNumberDigits));
}
Bytes PackageBlock::CopySlot(int c) const { return bytes_.subspan(pkg::CopySlot(c), kCopySlotSize); }
std::uint64_t PackageBlock::CopySize(int c) const {
  return ReadDecimal(bytes_.subspan(SizeRecordValue(kFlasherSlots + c - 1), kNumberDigits));
}

void PackageBlock::TerminateRevisions() {
  for (int row = 0; row < 4; ++row) {
    for (int entry = 0; entry < kEntriesPerRow; ++entry) {
      Bytes e = Entry(row, entry);
      e[kEntryMinRevision + 7] = 0;
      e[kEntryMaxRevision + 7] = 0;
    }
  }
}

void PackageBlock::ClearModelTable() {
  for (int row = 0; row < 4; ++row) {
    for (int entry = 0; entry < kEntriesPerRow; ++entry) {
      Bytes e = Entry(row, entry);
      if (e[kEntryMinRevision] == '#') continue;
      // Row and entry counted from 0 here ("#FLSH00"), unlike the shipped blanks.
      char marker[kRevisionSize + 1];
      std::snprintf(marker, sizeof marker, "#FLSH%d%d", row, entry);
      std::memset(e.data(), 0, kEntryAuxText + kAuxTextSize);
      std::memcpy(e.data() + kEntryMinRevision, marker, std::strlen(marker));
      e[kEntryMaxRevision] = '#';
      e[kEntryModelName] = '#';
      e[kEntryAuxText] = '#';
    }
  }
}

}  // namespace qz
