#pragma once
// The whole simulated update on one machine: the updater's start-up over the real drive
// manager and the simulated storage stack with the updater's own command line, the update
// command with a simulated user's answers, the restarts through BootExecute with the flasher,
// and the verdict over what every drive holds afterwards. Writes a transcript.
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "tools/demo/demo_faults.hpp"
#include "tools/demo/demo_machine.hpp"
#include "tools/demo/verdict.hpp"

namespace qz::demo {

struct DemoOptions {
  DemoMachine machine = BuiltInMachines().front();
  std::vector<std::uint8_t> packageBlock;  // the shipped block
  // Placed in the machine as C:\FIRMWARE.BIN and named on the command line unless the
  // arguments name it already.
  std::optional<std::vector<std::uint8_t>> firmwareFile;
  std::vector<std::string> arguments;  // the updater's command line
  std::string fault;                   // one of FaultNames(), or empty
  bool answerNo = false;               // the simulated user declines the restart
  std::FILE* transcript = stdout;      // null: none
};

inline constexpr const char* kFirmwareFileInMachine = "C:\\FIRMWARE.BIN";

struct DemoDriveResult {
  std::string name;  // "disk 0 (VORTANIX QRX-480T9A)"
  std::string model, revisionBefore, extensionBefore, revisionAfter, extensionAfter;
  std::string identifiedThrough;  // what the updater's IDENTIFY found, by the request that carried it
  bool allowed = false;           // the flasher may flash it
};

struct DemoResult {
  bool badFault = false;
  std::vector<DemoDriveResult> drives;  // the SATA disks, in disk order
  std::vector<std::string> bootExecuteBefore, bootExecuteAfter;
  std::vector<std::string> fwBinWithDoneMark;  // FW.bin copies that carry the done-mark
  std::size_t restarts = 0;                    // restarts requested, by the updater and the flasher
  int boots = 0;
  std::vector<std::string> messageBoxes;  // "[caption] text" of each box the updater showed, in order
  std::string updaterEnd;      // where the updater's run ended
  int updaterExitCode = 0;
  int stagedPackage = 0;       // counted from 1; 0 when the update command chose no drive
  std::string target;          // the revision judged as the target
  Promise promise = Promise::Untouched;
  std::string promiseReason;
  Verdict verdict;
  bool reached = false;            // every drive the flasher may flash is at the target
  bool noHalfWrittenImage = false;
  // One more restart after everything ended: drives, BootExecute and FW.bin stay as they were.
  bool extraBootChangedNothing = false;
  // What the window shows under the version line when the user starts the updater again.
  std::string lastRunLine;
};

DemoResult RunDemo(const DemoOptions& options);

// The updater's command line split at blanks, with "..." keeping blanks together.
std::vector<std::string> SplitArguments(const std::string& text);

}  // namespace qz::demo
