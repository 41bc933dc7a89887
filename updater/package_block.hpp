#pragma once
// Typed access to the package block's bytes. Every read and write goes to the fixed offset of
// package_layout.hpp; nothing here searches for a marker.
#include <cstdint>
#include <string>

#include "platform/types.hpp"
#include "updater/package_layout.hpp"

namespace qz {

class PackageBlock {
 public:
  // `bytes` must hold at least pkg::kBlockSize bytes; the block does not own them.
  explicit PackageBlock(Bytes bytes);

  Bytes bytes() const { return bytes_; }

  // Header texts, up to their first zero byte (or the end of the area).
  std::string ProductVersion() const;
  std::string ProductTitle() const;
  std::string ReleaseDate() const;
  std::string SupportedModelText() const;

  // Model entry fields, row and entry counted from 0, as stored (up to the first zero byte).
  std::string MinRevision(int row, int entry) const;
  std::string MaxRevision(int row, int entry) const;
  std::string ModelName(int row, int entry) const;
  std::string AuxText(int row, int entry) const;
  // The raw bytes of one entry (76 bytes).
  Bytes Entry(int row, int entry) const;

  std::int8_t PackageMode() const;
  // Option digit n (1-31) as stored, a character.
  char OptionDigit(int n) const;

  // Package n (1-6): the values of its records.
  std::uint64_t ImageStartValue(int n) const;
  std::uint64_t ImageSizeValue(int n) const;
  std::string NewRevision(int n) const;
  std::string Extension(int n) const;
  // The image of package n inside the firmware area; empty when its records point outside it.
  Bytes Image(int n) const;

  Bytes FirmwareArea() const;

  // Flasher slot s (1-10) and copy slot c (1-4) with the values of their size records.
  Bytes FlasherSlot(int s) const;
  std::uint64_t FlasherSize(int s) const;
  Bytes CopySlot(int c) const;
  std::uint64_t CopySize(int c) const;

  // Writes "%010lu" of `value` into a 10-digit record value; false when it does not fit.
  static bool WriteDecimal10(Bytes digits, std::uint64_t value);
  // A run of up to 10 decimal digits read as a number; reading stops at the first non-digit.
  static std::uint64_t ReadDecimal(ConstBytes digits);

  void SetImageStartValue(int n, std::uint64_t value);
  void SetImageSizeValue(int n, std::uint64_t value);

  // Byte 7 of both revision fields of rows 1-4 becomes zero: revisions hold 7 characters.
  void TerminateRevisions();
  // Every entry of rows 1-4 whose MinRevision does not begin with "#" becomes blank.
  void ClearModelTable();

 private:
  std::string Text(std::size_t offset, std::size_t size) const;

  Bytes bytes_;
};

// The block this program carries in its own data.
PackageBlock EmbeddedPackageBlock();

}  // namespace qz
