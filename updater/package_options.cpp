#include "updater/package_options.hpp"

#include <string>

#include "platform/text.hpp"

namespace qz {

int OptionDigitValue(char digit) { return (digit >= '0' && digit <= '9') ? digit - '0' : 0; }

PackageOptions ReadPackageOptions(const PackageBlock& block) {
  auto number = [&](int n) { return OptionDigitValue(block.OptionDigit(n)); };
  auto flag = [&](int n) { return number(n) != 0; };
  PackageOptions o;
  o.PackageMode = block.PackageMode();
  o.Language = number(1);
  o.AutoUpdate = flag(7);
  o.NoticeMode = number(9);
  o.PackageCount = number(10);
  // Only six packages and six model rows exist: a larger count would read past them.
  if (o.PackageCount > pkg::kPackages) o.PackageCount = 0;
  o.ListEligibleOnly = flag(12);
  o.CheckBattery = flag(19);
  o.UpdateBoot = flag(21);
  o.SkipAdminCheck = flag(22);
  o.AutoCloseMessages = flag(25);
  o.UnattendedRun = flag(27);
  o.AutoCloseSeconds = number(28);
  return o;
}

bool HasLongRevisions(const PackageBlock& block) {
  for (int row = 0; row < 4; ++row) {
    for (int entry = 0; entry < pkg::kEntriesPerRow; ++entry) {
      const std::string min = TrimText(block.MinRevision(row, entry), IsSpace);
      if (min.size() > 4 && min.find("#FLS") == std::string::npos) return true;
    }
  }
  return false;
}

}  // namespace qz
