#include "updater/drive_match.hpp"

#include <algorithm>

#include "platform/text.hpp"

namespace qz {
namespace {

// "%.Ns" of a stored text.
std::string Prefix(const std::string& text, std::size_t n) { return text.substr(0, std::min(n, text.size())); }

struct DriveTexts {
  std::string revision;
  std::string model;
};

DriveTexts TextsOf(const DriveRecord& drive, bool longRevisions) {
  DriveTexts t;
  const std::string revision = FieldText(drive.FirmwareRevision);
  t.revision = longRevisions ? TrimText(revision) : Prefix(revision, 4);
  if (drive.ModelHead[0] != '\0') t.model = TrimText(Prefix(FieldText(drive.ModelText), 40));
  return t;
}

bool EntryMatches(const PackageBlock& package, int row, int entry, const DriveTexts& drive,
                  bool longRevisions) {
  auto revisionText = [&](const std::string& stored) {
    return longRevisions ? TrimText(stored) : Prefix(stored, 4);
  };
  const std::string minimum = revisionText(package.MinRevision(row, entry));
  const std::string maximum = revisionText(package.MaxRevision(row, entry));
  const std::string model = TrimText(Prefix(package.ModelName(row, entry), 40));
  const std::string aux = Prefix(package.AuxText(row, entry), 16);

  // A blank first entry: the package takes any drive.
  if (entry == 0 && TextsEqual(Prefix(minimum, 4), "#FLS") && TextsEqual(Prefix(model, 1), "#") &&
      TextsEqual(Prefix(maximum, 1), "#") && TextsEqual(Prefix(aux, 1), "#")) {
    return true;
  }
  const std::string low = TrimText(minimum), high = TrimText(maximum);
  return (model.empty() || TextsEqual(model, drive.model)) &&
         (low.empty() || CompareRevisions(drive.revision, low) >= 0) &&
         (high.empty() || CompareRevisions(drive.revision, high) <= 0);
}

}  // namespace

bool TextsEqual(std::string_view a, std::string_view b) { return a == b; }

int CompareRevisions(std::string_view a, std::string_view b) {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    const auto x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

int FirstAdmittingEntry(const PackageBlock& package, const PackageOptions& options, int row,
                        const DriveRecord& drive) {
  const DriveTexts texts = TextsOf(drive, options.LongRevisions);
  for (int k = 0; k < pkg::kEntriesPerRow; ++k) {
    if (EntryMatches(package, row, k, texts, options.LongRevisions)) return k;
  }
  return -1;
}

void MatchDrivesToPackage(const PackageBlock& package, const PackageOptions& options,
                          DriveManagerApi& drives) {
  const int packages = std::clamp(options.PackageCount, 0, pkg::kPackages);
  const unsigned count = drives.GetCount();
  for (unsigned i = 0; i < count; ++i) {
    DriveRecord* drive = drives.GetItem(i);
    if (drive == nullptr) continue;
    drive->Eligible = 0;
    const DriveTexts texts = TextsOf(*drive, options.LongRevisions);
    if (options.FirmwareFromFile) {
      // The file replaces package 1 for the models the program was built for, whatever
      // revision they run; never for another maker's drive.
      for (const std::string& model : options.FirmwareFileModels) {
        if (!texts.model.empty() && TextsEqual(model, texts.model)) {
          drive->Eligible = 1;
          drive->PackageIndex = 0;
          break;
        }
      }
      continue;
    }
    for (int j = 0; j < packages; ++j) {
      if (FirstAdmittingEntry(package, options, j, *drive) >= 0) {
        drive->Eligible = 1;
        drive->PackageIndex = static_cast<std::uint16_t>(j);
        break;
      }
    }
  }
}

}  // namespace qz
