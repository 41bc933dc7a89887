#include "updater/unreached_drives.hpp"

#include <algorithm>

#include "platform/text.hpp"
#include "updater/drive_match.hpp"
#include "updater/ui_texts.hpp"

namespace qz {
namespace {

// Names Windows gives a disk around its model.
constexpr const char* kPrefixes[] = {"ATA "};
constexpr const char* kSuffixes[] = {" SCSI Disk Device", " ATA Device", " USB Device"};

bool NamesModel(const std::string& name, const std::string& model) {
  std::string text = TrimText(name);
  if (text.empty()) return false;
  if (TextsEqual(text, model)) return true;
  for (const char* prefix : kPrefixes) {
    const std::string p = prefix;
    if (text.compare(0, p.size(), p) == 0) text = TrimText(text.substr(p.size()));
  }
  for (const char* suffix : kSuffixes) {
    const std::string s = suffix;
    if (text.size() > s.size() && text.compare(text.size() - s.size(), s.size(), s) == 0) {
      text = TrimText(text.substr(0, text.size() - s.size()));
    }
  }
  return TextsEqual(text, model);
}

}  // namespace

std::vector<std::string> ReleaseModels(const PackageBlock& package, const PackageOptions& options) {
  if (options.FirmwareFromFile) return options.FirmwareFileModels;
  std::vector<std::string> models;
  const int packages = std::clamp(options.PackageCount, 0, pkg::kPackages);
  for (int j = 0; j < packages; ++j) {
    for (int k = 0; k < pkg::kEntriesPerRow; ++k) {
      const std::string name = package.ModelName(j, k);
      const std::string model = TrimText(name.substr(0, std::min<std::size_t>(40, name.size())));
      // Blank entries ("#") name no model.
      if (model.empty() || model[0] == '#') continue;
      if (std::find(models.begin(), models.end(), model) == models.end()) models.push_back(model);
    }
  }
  return models;
}

std::vector<UnreachedDrive> UnreachedReleaseDrives(const std::vector<UnreachedDisk>& disks,
                                                   const std::vector<std::string>& models) {
  std::vector<UnreachedDrive> drives;
  for (const UnreachedDisk& disk : disks) {
    for (const std::string& model : models) {
      if (NamesModel(disk.WmiModel, model) || NamesModel(disk.FriendlyName, model)) {
        drives.push_back({disk.DiskNumber, model, disk.ControllerDriver});
        break;
      }
    }
  }
  return drives;
}

std::string UnreachedDrivesText(const std::vector<UnreachedDrive>& drives, bool zh) {
  using namespace texts;
  std::string text;
  for (const UnreachedDrive& d : drives) {
    if (!text.empty()) text += "\n";
    text += zh ? big5::kUnreachedDisk : en::kUnreachedDisk;
    text += std::to_string(d.diskNumber) + ", " + d.model;
    text += zh ? big5::kUnreachedDriver : en::kUnreachedDriver;
    text += d.driver.empty() ? (zh ? big5::kUnknownDriver : en::kUnknownDriver) : d.driver;
    text += zh ? big5::kUnreachedTail : en::kUnreachedTail;
  }
  return text;
}

}  // namespace qz
