#include "tools/packer/admission_check.hpp"

#include <algorithm>
#include <cstring>
#include <set>

#include "platform/text.hpp"
#include "updater/drive_match.hpp"
#include "updater/package_block.hpp"
#include "updater/package_options.hpp"

namespace qz::packer {
namespace {

// A model no entry of the block names: a stranger's drive.
std::string StrangerModel(const PackageBlock& block) {
  std::set<std::string> named;
  for (int row = 0; row < pkg::kRows; ++row) {
    for (int e = 0; e < pkg::kEntriesPerRow; ++e) named.insert(TrimText(block.ModelName(row, e)));
  }
  for (int n = 0;; ++n) {
    const std::string model = "QZ STRANGER " + std::to_string(n);
    if (named.count(model) == 0) return model;
  }
}

template <std::size_t N>
void Put(std::array<char, N>& field, const std::string& text) {
  field.fill('\0');
  std::memcpy(field.data(), text.data(), std::min(text.size(), N - 1));
}

DriveRecord StrangerDrive(const std::string& model, const std::string& revision) {
  DriveRecord drive;
  Put(drive.ModelText, model);
  Put(drive.ModelHead, model.substr(0, 8));
  Put(drive.ModelTail, model.size() > 8 ? model.substr(8) : std::string());
  Put(drive.FirmwareRevision, revision);
  drive.Present = 1;
  return drive;
}

// Revisions that reach every range an entry can hold: each bound as stored and trimmed (a
// range admits its own bounds), and the extremes for an open range.
std::set<std::string> ProbeRevisions(const PackageBlock& block, int row) {
  std::set<std::string> revisions = {"", "0", "~~~~~~~~"};
  for (int e = 0; e < pkg::kEntriesPerRow; ++e) {
    for (const std::string& bound : {block.MinRevision(row, e), block.MaxRevision(row, e)}) {
      revisions.insert(bound);
      revisions.insert(TrimText(bound));
    }
  }
  return revisions;
}

}  // namespace

std::vector<std::string> StrangersAdmitted(ConstBytes packed, const Release& release) {
  // The updater reads its own copy after terminating the revisions; so does this.
  std::vector<std::uint8_t> copy(packed.begin(), packed.end());
  PackageBlock block{Bytes(copy)};
  block.TerminateRevisions();
  PackageOptions options = ReadPackageOptions(block);
  options.LongRevisions = HasLongRevisions(block);

  std::vector<std::string> errors;
  const std::string stranger = StrangerModel(block);
  for (std::size_t n = 0; n < release.packages.size() && n < pkg::kPackages; ++n) {
    const ReleasePackage& package = release.packages[n];
    if (package.anyModel) continue;
    const int row = static_cast<int>(n);
    for (const std::string& revision : ProbeRevisions(block, row)) {
      const int entry = FirstAdmittingEntry(block, options, row, StrangerDrive(stranger, revision));
      if (entry < 0) continue;
      const std::string model = TrimText(block.ModelName(row, entry));
      errors.push_back("packages[" + std::to_string(n + 1) + "].models[" +
                       std::to_string(entry + 1) + "].model: " +
                       (model.empty() ? std::string("empty") : "a blank entry's \"" + model + "\"") +
                       ", so the entry admits every drive (the updater takes a drive \"" +
                       stranger + "\" at revision \"" + revision +
                       "\"); name the model, or say \"any_model\": true");
      break;
    }
  }
  return errors;
}

}  // namespace qz::packer
