#pragma once
// A firmware file named on the command line replaces package 1's image.
#include <string>
#include <vector>

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

// The models this program was built for: the supported-model text and every model named in
// the table (blank entries and empty models name none), each trimmed, without repeats.
std::vector<std::string> BuiltForModels(const PackageBlock& block);

// Reads the whole file into the firmware area, makes it package 1 (PackageCount 1, its size
// record, its start record 0), records BuiltForModels in the options and blanks the model
// table of rows 1-4: the file may go to a drive of those models at any revision. On any
// refusal the block and the options are left as they were.
FirmwareFileStatus LoadFirmwareFile(FileApi& files, const std::string& path, PackageBlock& block,
                                    PackageOptions& options);

}  // namespace qz
