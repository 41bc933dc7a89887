#include "tools/demo/eligibility.hpp"

#include <algorithm>

#include "platform/text.hpp"
#include "updater/drive_match.hpp"
#include "updater/update_command.hpp"

namespace qz::demo {
namespace {

// Only the records, as the scan leaves them: the rule reads nothing else.
class Records final : public DriveManagerApi {
 public:
  std::vector<DriveRecord> records;
  std::uint32_t LastError() override { return 0; }
  std::uint16_t GetCount() override { return static_cast<std::uint16_t>(records.size()); }
  DriveRecord* GetItem(unsigned index) override { return index < records.size() ? &records[index] : nullptr; }
  bool Select(std::int16_t) override { return false; }
};

template <std::size_t N>
void Put(std::array<char, N>& field, const std::string& text, std::size_t width) {
  std::string padded = text.substr(0, std::min(width, text.size()));
  padded.resize(width, ' ');
  std::copy(padded.begin(), padded.end(), field.begin());
}

DriveRecord RecordOf(const DriveTexts& d) {
  // IDENTIFY pads its strings with blanks: 40 model characters, 8 revision characters.
  std::string model = d.model;
  model.resize(std::max<std::size_t>(model.size(), 40), ' ');
  DriveRecord r;
  Put(r.ModelText, model, 24);
  Put(r.ModelHead, model, 8);
  Put(r.ModelTail, model.substr(8), 16);
  Put(r.FirmwareRevision, d.revision, 8);
  r.Present = 1;
  return r;
}

}  // namespace

std::vector<int> PackagesOfDrives(const PackageBlock& package, const PackageOptions& options,
                                  const std::vector<DriveTexts>& drives) {
  Records table;
  for (const auto& d : drives) table.records.push_back(RecordOf(d));
  MatchDrivesToPackage(package, options, table);
  std::vector<int> packages;
  for (const auto& r : table.records) packages.push_back(r.Eligible ? r.PackageIndex : -1);
  return packages;
}

std::vector<bool> FlashableDrives(const std::vector<int>& packages, const std::vector<DriveTexts>& drives,
                                  int package, const std::string& identity, const std::string& revision) {
  std::vector<bool> flashable(drives.size(), false);
  for (std::size_t i = 0; i < drives.size() && i < packages.size(); ++i) {
    flashable[i] = package >= 0 && packages[i] == package && FlasherIdentity(drives[i].model) == identity &&
                   (revision.empty() || TrimText(drives[i].revision) == TrimText(revision));
  }
  return flashable;
}

std::string FlasherIdentity(const std::string& model) { return DriveIdentity(RecordOf({model, ""})); }

}  // namespace qz::demo
