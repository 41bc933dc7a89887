#pragma once
// What the main window uses of the drive manager: the narrow hook through which start-up gets
// the drive table. The drive manager of the discovery subsystem implements it.
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "discovery/drive_record.hpp"
#include "discovery/unreached_disk.hpp"

namespace qz {

class DriveManagerApi {
 public:
  virtual ~DriveManagerApi() = default;
  // System error code of the last failed open during the scan; 5: no administrator rights.
  virtual std::uint32_t LastError() = 0;
  virtual std::uint16_t GetCount() = 0;
  // The record of slot `index` when it holds a present drive, else null.
  virtual DriveRecord* GetItem(unsigned index) = 0;
  virtual bool Select(std::int16_t index) = 0;
  // The disks that enumeration found and no transport identified.
  virtual std::vector<UnreachedDisk> UnreachedDisks() { return {}; }
};

// Creates the drive manager (the whole discovery runs inside); `createFlag` is set when the
// package uses long revisions. Null when it can't be created.
using DriveManagerFactory = std::function<std::unique_ptr<DriveManagerApi>(bool createFlag)>;

}  // namespace qz
