#pragma once
// Which package of a release each drive of a machine gets, by the updater's own eligibility
// rule, from what the drive really is (not from what the updater managed to list).
#include <string>
#include <vector>

#include "updater/package_block.hpp"
#include "updater/package_options.hpp"

namespace qz::demo {

struct DriveTexts {
  std::string model, revision;  // as IDENTIFY reports them
};

// The package (counted from 0) for each drive, or -1 when none admits it.
std::vector<int> PackagesOfDrives(const PackageBlock& package, const PackageOptions& options,
                                  const std::vector<DriveTexts>& drives);

// The drives the flasher may flash when `package` (counted from 0) is staged with `identity`:
// those the release gives that package, of the staged drive's model, and at the staged drive's
// revision when one was recorded for the flasher (`revision` empty: any revision).
std::vector<bool> FlashableDrives(const std::vector<int>& packages, const std::vector<DriveTexts>& drives,
                                  int package, const std::string& identity, const std::string& revision = "");

// The identity the flasher is given for a drive: model characters 1-8 and 9-24, blank-padded.
std::string FlasherIdentity(const std::string& model);

}  // namespace qz::demo
