#pragma once
// What the simulated machine holds after a run of the updater's window over it: the update
// command's end, the staged files, BootExecute, the copy helper's runs and the restarts.
#include <ostream>
#include <string>
#include <vector>

#include "sim/machine/machine.hpp"
#include "tools/demo/demo_machine.hpp"
#include "updater/update_command.hpp"

namespace qz::simwindow {

struct RunState {
  UpdateOutcome outcome;
  int updateRuns = 0;
  int copyHelperRuns = 0, copyHelperExit = -1;
  std::vector<std::string> bootExecuteBefore;
};

std::vector<std::string> BootExecute(sim::Machine& machine);

// One fact a line, "key: value", so that a shell test can grep it.
void WriteReport(std::ostream& out, sim::Machine& machine, const std::vector<demo::AttachedDrive>& drives,
                 const RunState& state);

}  // namespace qz::simwindow
