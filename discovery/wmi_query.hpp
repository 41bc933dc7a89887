#pragma once
// The WMI side of discovery: how many disks there are, which drive letters sit on which disk,
// and one record per disk. Every query runs synchronously and brackets itself with COM.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "discovery/trace_file.hpp"
#include "discovery/wmi_disk_info.hpp"
#include "platform/win32_api.hpp"
#include "platform/wmi_api.hpp"

namespace qz {

// One element of the logical-disk map: a disk number and a flag per drive letter A to Z.
struct LogicalDiskEntry {
  std::uint32_t DiskNumber = 0;
  std::array<std::uint8_t, 26> Letters{};
};
using LogicalDiskMapArray = std::array<LogicalDiskEntry, 26>;

// A property value as text: an array becomes its elements joined by ", ".
std::string WmiValueText(const WmiValue& value);

class WmiDiskQuery {
 public:
  // The Windows version picks the connection flags; trace receives the query's lines.
  WmiDiskQuery(Win32Api& api, WmiApi& wmi, TraceFile& trace, std::uint32_t majorVersion,
               std::uint32_t minorVersion);

  // "Select * from " + className. With lines and a property name, one "name=text" line per
  // instance for that property; with lines and no name, a line per property; count always.
  bool WmiQuery(const std::string& className, std::vector<std::string>* lines,
                const std::string* property, int& count);
  // Instances of "Win32_DiskDrive" as a signed 16-bit number; 0 when the query fails.
  std::int16_t DiskCount();
  bool LogicalDiskMap(LogicalDiskMapArray& map);
  // One record per "Win32_DiskDrive" instance, in the order WMI returns them.
  bool DiskRecords(std::vector<WmiDiskInfo>& records);

  static constexpr int kStartAttempts = 3;
  static constexpr std::uint32_t kPollMs = 500;
  static constexpr std::uint32_t kStartWaitMs = 20000;

 private:
  struct Session {
    Handle locator = kNullHandle;
    Handle services = kNullHandle;
    Handle enumerator = kNullHandle;
  };
  bool ServiceRunning();
  bool TryStartService();
  bool EnsureService();
  // Steps 2 to 8 of the set-up; on false everything obtained is released.
  bool Open(const std::string& query, bool traced, Session& session);
  void Close(Session& session);
  void Trace(bool traced, const char* text);

  Win32Api& api_;
  WmiApi& wmi_;
  TraceFile& trace_;
  std::uint32_t major_;
  std::uint32_t minor_;
};

}  // namespace qz
