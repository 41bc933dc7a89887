#pragma once
// Drives of the release's models that the drive list can't offer: Windows names the disk with
// one of the models, but no transport identified it. Without a word they would look like
// "nothing to update".
#include <string>
#include <vector>

#include "discovery/unreached_disk.hpp"
#include "updater/package_block.hpp"
#include "updater/package_options.hpp"

namespace qz {

struct UnreachedDrive {
  std::uint32_t diskNumber = 0;
  std::string model;   // the release's spelling of it
  std::string driver;  // the controller's driver; empty when unknown
};

// The models the release updates: every named entry of the packages in use, or the models of
// the firmware file's program.
std::vector<std::string> ReleaseModels(const PackageBlock& package, const PackageOptions& options);

// The disks of `disks` whose WMI model or Setup API name is one of `models`. The Setup API
// names a disk behind a SCSI-style port driver "<model> SCSI Disk Device".
std::vector<UnreachedDrive> UnreachedReleaseDrives(const std::vector<UnreachedDisk>& disks,
                                                   const std::vector<std::string>& models);

// The box's text, one paragraph a drive, in English or in Big5.
std::string UnreachedDrivesText(const std::vector<UnreachedDrive>& drives, bool secondLanguage);

}  // namespace qz
