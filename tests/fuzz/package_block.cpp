// The package block as the updater reads it: the fuzzer's bytes fill every area the program
// parses (header texts, model table, option string, package records, size records); the
// firmware and flasher areas stay as they are. Options, eligibility and the flasher table
// are taken from it as the start-up and the update command take them.
#include <algorithm>
#include <cstring>
#include <vector>

#include "updater/drive_match.hpp"
#include "updater/package_block.hpp"
#include "updater/package_options.hpp"
#include "updater/update_command.hpp"

using namespace qz;

namespace {

// Two drives with texts from the fuzzer's last bytes.
class Drives : public DriveManagerApi {
 public:
  DriveTable table{};
  std::uint32_t LastError() override { return 0; }
  std::uint16_t GetCount() override { return 2; }
  DriveRecord* GetItem(unsigned index) override { return index < 2 ? &table[index] : nullptr; }
  bool Select(std::int16_t) override { return true; }
};

template <std::size_t N>
void Fill(std::array<char, N>& field, const std::uint8_t*& p, const std::uint8_t* end) {
  for (std::size_t i = 0; i + 1 < N && p < end; ++i) field[i] = static_cast<char>(*p++);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static std::vector<std::uint8_t>* storage = new std::vector<std::uint8_t>(pkg::kBlockSize, 0);
  std::uint8_t* b = storage->data();
  constexpr std::size_t kHead = pkg::kBootCodeArea;  // header to the last text record
  constexpr std::size_t kTail = pkg::kBlockSize - pkg::kSizeRecordArea;
  std::memset(b, 0, kHead);
  std::memset(b + pkg::kSizeRecordArea, 0, kTail);
  const std::size_t head = std::min(size, kHead);
  std::memcpy(b, data, head);
  const std::size_t tail = std::min(size - head, kTail);
  std::memcpy(b + pkg::kSizeRecordArea, data + head, tail);

  PackageBlock block(Bytes(b, pkg::kBlockSize));
  PackageOptions options = ReadPackageOptions(block);
  options.LongRevisions = HasLongRevisions(block);
  if (options.PackageCount < 0 || options.PackageCount > pkg::kPackages) __builtin_trap();
  for (int n = 1; n <= pkg::kPackages; ++n) {
    const Bytes image = block.Image(n);
    if (!image.empty() && (image.data() < block.FirmwareArea().data() ||
                           image.data() + image.size() > block.FirmwareArea().data() + pkg::kFirmwareAreaSize)) {
      __builtin_trap();
    }
    block.NewRevision(n);
    block.Extension(n);
  }
  for (const auto& entry : BuildFlasherImageTable(block)) {
    if (entry.length > pkg::kFlasherSlotSize) __builtin_trap();
  }
  for (int c = 1; c <= pkg::kCopySlots; ++c) block.CopySize(c);
  block.ProductVersion();
  block.ProductTitle();
  block.ReleaseDate();
  block.SupportedModelText();

  Drives drives;
  const std::uint8_t* p = data + head + tail;
  const std::uint8_t* end = data + size;
  for (int d = 0; d < 2; ++d) {
    DriveRecord& r = drives.table[static_cast<std::size_t>(d)];
    r.Present = 1;
    Fill(r.ModelHead, p, end);
    Fill(r.ModelTail, p, end);
    Fill(r.FirmwareRevision, p, end);
    Fill(r.ModelText, p, end);
  }
  MatchDrivesToPackage(block, options, drives);
  for (int d = 0; d < 2; ++d) {
    const DriveRecord& r = drives.table[static_cast<std::size_t>(d)];
    if (r.Eligible && r.PackageIndex >= options.PackageCount) __builtin_trap();
  }
  block.TerminateRevisions();
  block.ClearModelTable();
  return 0;
}
