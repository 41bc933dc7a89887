#pragma once
// What the boot-time flasher's transcript (Ombrel.log) says about its last run, as the updater
// shows it at its next start. The parser is a pure function over the file's bytes: a log that
// is empty, too large, incomplete (no "END": power lost or a download still running), of
// another format, or with a summary line it cannot read gives nothing, never a guess.
#include <cstddef>
#include <optional>
#include <string>

#include "bootflash/boot_log_format.hpp"
#include "platform/system_api.hpp"
#include "platform/types.hpp"

namespace qz {

// The flasher never writes more; a larger file is not its log.
inline constexpr std::size_t kBootLogMaxBytes = boot_log::kMaxBytes;

enum class BootRunResult {
  kPassed,       // every flashed drive passed
  kFailed,       // a flashed drive failed
  kNoneFlashed,  // drives were looked at, none was flashed (THE SAME, LEFT ALONE, NOT
                 // FLASHED, or no drive of the model)
};

struct BootOutcome {
  bool dateKnown = false;
  CivilTime utc;              // when dateKnown
  BootRunResult result = BootRunResult::kNoneFlashed;
  // The drive of the run that matters when one was flashed: the N of \??\PhysicalDriveN.
  int drive = 0;
  std::string model;          // trimmed
  std::string revisionBefore; // trimmed
  std::string revisionTarget; // trimmed
};

// The drive of the run that matters: the first summary line with FAIL, else the first with
// PASS; kNoneFlashed when there are summary lines but none of either. Nothing when the log is
// not whole or has no summary lines (the run stopped before it looked at the drives).
std::optional<BootOutcome> ParseBootLog(ConstBytes log);

// The one line under the version line: date and time (`local`, or the log's UTC marked as
// such when the conversion failed), disk, revisions, result. English, or Big5 bytes.
std::string BootOutcomeLine(const BootOutcome& outcome, const CivilTime* local, bool secondLanguage);

}  // namespace qz
