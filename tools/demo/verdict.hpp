#pragma once
// The rehearsal's verdict: what every drive holds after the run, judged by the release's own
// rules. A pure function over the drives' states before and after, so that it can be tested
// without running anything.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qz::demo {

// What a drive runs, and what it has taken in.
struct DriveFirmware {
  std::string revision, extension;
  bool pendingImage = false;                  // an accepted image that has not taken over
  std::vector<std::string> acceptedRevisions;  // revisions of every image it accepted
  bool downloadSent = false;                   // it was sent firmware blocks in this run
};

struct JudgedDrive {
  std::string name;  // "disk 3 (VORTANIX QRX-480T9A)"
  DriveFirmware before, after;
  // The flasher may flash it: the staged drive's model, and the staged package is the one
  // the release's model table gives its revision.
  bool allowed = false;
};

// What a restart may change on the machine.
struct MachineState {
  std::vector<DriveFirmware> drives;  // the SATA drives, in disk order
  std::vector<std::string> bootExecute;
  std::vector<std::optional<std::vector<std::uint8_t>>> fwBins;  // each system directory's FW.bin
  std::size_t restarts = 0;                                      // restarts asked for so far
};

// Nothing a drive runs or holds pending, nor BootExecute, FW.bin or a restart, changed. Commands
// a drive was sent without taking anything in do not count.
bool RestartChangedNothing(const MachineState& before, const MachineState& after);

// What the release promises for this run.
enum class Promise {
  Update,     // nothing went wrong: every allowed drive ends at the target
  KeepWhole,  // a fault struck: every allowed drive ends at the target or keeps its old firmware whole
  Untouched,  // the release updates nothing here: every drive stays as it was
};

// What decides the release's promise for a run, as the machine and the updater's start show it.
struct PromiseFacts {
  bool fault = false;                // a fault was made to strike
  bool lowBatteryRefused = false;    // the machine runs on a low battery and start-up ended there
  bool commandLineRefused = false;   // start-up refused an argument or the firmware file
  bool anyEligible = false;          // a drive that answers is eligible for a package
  bool anyUnreachable = false;       // a drive of the release's models sits behind a refusing driver
  bool xpBeforeSp2 = false;          // Windows XP before Service Pack 2
};

struct PromiseOfRun {
  Promise promise = Promise::Untouched;
  std::string reason;
};

PromiseOfRun PromiseOf(const PromiseFacts& facts);

// What the line under the version line said when the user started the updater again.
enum class LastRunSays {
  NotJudged,    // no later start in this run
  Nothing,      // no line
  Passed,
  Failed,
  NoneFlashed,  // a run that flashed no drive
  Other,        // a line that says none of these
};

// The line's claim, from its bytes as the window holds them (English, or Big5).
LastRunSays LastRunOf(const std::string& lineBytes);

struct VerdictInput {
  Promise promise = Promise::Untouched;
  std::string target;           // the staged package's new revision
  std::string targetExtension;  // what the drive reports at the target; empty: not checked
  std::vector<JudgedDrive> drives;
  // Judged against the drives: "passed" exactly when a flashed drive reached the target,
  // "FAILED" when one was flashed and did not, neither when no drive was flashed (a line from
  // an earlier run would be stale).
  LastRunSays lastRun = LastRunSays::NotJudged;
  // After everything ended BootExecute must read as before the run: otherwise every start of
  // Windows runs the flasher again.
  std::vector<std::string> bootExecuteBefore, bootExecuteAfter;
  // With no fault, no eligible drive and one of the release's drives unreachable, the updater
  // must end at the box naming that drive, with exit code 1603: it is not "nothing to update".
  bool unreachableDriveDue = false;
  std::string updaterEnd;  // where the updater's run ended, as the transcript says it
  int updaterExitCode = 0;
  bool endedAtUnreachableDrive = false;
};

struct Verdict {
  bool pass = false;
  std::vector<std::string> lines;  // one a drive, and one more when no drive could be judged
  std::vector<std::string> failures;  // the lines that fail the run
  bool targetReached = false;      // there are allowed drives, and every one is at the target
  bool halfWritten = false;        // some drive holds neither its old firmware nor the target
};

Verdict JudgeRun(const VerdictInput& input);

}  // namespace qz::demo
