#pragma once
// The update command: turns the chosen drive and its package into a boot-time update staged
// for the next start of Windows, offers the restart, and ends the program.
#include <cstdint>
#include <string>

#include "staging/flasher_image_table.hpp"
#include "updater/drive_manager_api.hpp"
#include "updater/package_block.hpp"

namespace qz {

class TQuenzarMain;

// How long the copy helper may take before the update counts as not staged.
inline constexpr std::uint32_t kCopyHelperWaitMs = 60000;

enum class UpdateEnd {
  NoDrive,           // no eligible drive to stage for: nothing written
  NoFlasherBuild,    // the flasher build for this Windows is missing or for another processor
  NeedsXpSp2,        // 32-bit XP before SP2: the flasher could not reach the drive; nothing written
  ImageRefused,      // the package's image can't be enciphered whole: nothing written
  FwWriteFailed,     // FW.bin could not be written
  StageFailed,       // staging returned anything but "staged"
  CopyFailed,        // 64-bit Windows: the copies did not arrive; BootExecute taken back
  Staged,            // staged; the restart was declined (or failed)
  RestartRequested,  // staged and the restart was asked for
};

struct UpdateOutcome;

// The program's exit code for the way the command ended (updater/exit_codes.hpp).
int UpdateExitCode(const UpdateOutcome& outcome);

struct UpdateOutcome {
  UpdateEnd end = UpdateEnd::NoDrive;
  std::uint32_t stageResult = 0;
  int package = -1;       // counted from 0
  std::string identity;   // the drive identity written into the flasher
  std::string driveRevision;  // the staged drive's revision, recorded for the flasher
  bool restartStarted = false;  // the restart was asked for and Windows took the request
};

// Whether `build` (the table entry staging will pick) is a PE image for `machine`.
bool FlasherBuildRunsOn(const FlasherImage& build, std::uint16_t machine);

// The ten flasher builds of the package block in the table's fixed order.
FlasherImageTable BuildFlasherImageTable(const PackageBlock& package);

// "%8s%16s" of the drive's model head and tail.
std::string DriveIdentity(const DriveRecord& drive);

// Copy-helper slot (1-4) for an OS family.
int CopyHelperSlot(std::uint8_t osFamily);

// The update command (cmdUpdateClick); ends the program on every path.
UpdateOutcome cmdUpdateClick(TQuenzarMain& window);

}  // namespace qz
