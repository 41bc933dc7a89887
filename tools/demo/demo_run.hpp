#pragma once
// The whole simulated update on one machine: the updater's start-up over the real drive
// manager and the simulated storage stack, the update command with a user's answers, the
// restarts through BootExecute with the flasher, and what the drives run afterwards. Prints
// a transcript to stdout.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tools/demo/demo_machine.hpp"

namespace qz::demo {

struct DemoOptions {
  DemoMachine machine = BuiltInMachines().front();
  std::vector<std::uint8_t> packageBlock;  // the shipped block
  std::optional<std::vector<std::uint8_t>> firmwareFile;
  std::string fault;  // one of FaultNames(), or empty
  bool answerNo = false;
};

struct DemoDriveResult {
  std::string model, revisionBefore, extensionBefore, revisionAfter, extensionAfter;
  bool eligibleModel = false;  // the package's model
};

struct DemoResult {
  bool badFault = false;
  std::vector<DemoDriveResult> drives;
  std::vector<std::string> bootExecuteBefore, bootExecuteAfter;
  std::vector<std::string> fwBinWithDoneMark;  // FW.bin copies that carry the done-mark
  std::size_t restarts = 0;                    // restarts requested, by the updater and the flasher
  int boots = 0;
  // Every drive of the package's model runs the revision the update brings (the package's,
  // or that of the firmware file's image).
  bool reached = false;
  // No drive runs a revision other than its old one or the package's, nor holds an accepted
  // image that has not taken over.
  bool noHalfWrittenImage = false;
  // One more restart after everything ended: drives, BootExecute and FW.bin stay as they were.
  bool extraBootChangedNothing = false;
};

// Faults of staging (the machine refuses a file, a key, room or the copy helper) and faults of
// the drive during the download at the next boot.
const std::vector<std::string>& FaultNames();
bool IsDriveFault(const std::string& fault);

DemoResult RunDemo(const DemoOptions& options);

}  // namespace qz::demo
