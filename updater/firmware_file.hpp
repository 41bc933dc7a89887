#pragma once
// A firmware file named on the command line replaces package 1's image.
#include <string>

#include "platform/file_api.hpp"
#include "updater/package_block.hpp"
#include "updater/package_options.hpp"

namespace qz {

enum class FirmwareFileStatus {
  Loaded,
  Unreadable,       // can't be opened, or reading it failed
  Empty,
  TooLarge,         // larger than the firmware area
  NotMultipleOf16,  // the drive's download takes whole 16-byte units
};

// Reads the whole file into the firmware area, makes it package 1 (PackageCount 1, its size
// record, its start record 0) and blanks the model table of rows 1-4 so that every drive is
// eligible. On any refusal the block and the options are left as they were.
FirmwareFileStatus LoadFirmwareFile(FileApi& files, const std::string& path, PackageBlock& block,
                                    PackageOptions& options);

}  // namespace qz
