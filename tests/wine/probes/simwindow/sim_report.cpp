#include "tests/wine/probes/simwindow/sim_report.hpp"

#include <cstdio>

#include "platform/registry_api.hpp"
#include "staging/boot_execute.hpp"

namespace qz::simwindow {

namespace {

const char* EndName(UpdateEnd end) {
  switch (end) {
    case UpdateEnd::NoDrive: return "no-drive";
    case UpdateEnd::NoFlasherBuild: return "no-flasher-build";
    case UpdateEnd::NeedsXpSp2: return "needs-xp-sp2";
    case UpdateEnd::ImageRefused: return "image-refused";
    case UpdateEnd::FwWriteFailed: return "fw-write-failed";
    case UpdateEnd::StageFailed: return "stage-failed";
    case UpdateEnd::CopyFailed: return "copy-failed";
    case UpdateEnd::Unstaged: return "unstaged";
    case UpdateEnd::Staged: return "staged";
    case UpdateEnd::RestartRequested: return "restart-requested";
  }
  return "?";
}

void WriteList(std::ostream& out, const char* key, const std::vector<std::string>& entries) {
  out << key << ":";
  for (const auto& e : entries) out << " \"" << e << "\"";
  out << "\n";
}

}  // namespace

std::vector<std::string> BootExecute(sim::Machine& machine) {
  return machine.registry.GetMultiString(hkey::kLocalMachine, kSessionManagerKey, "BootExecute")
      .value_or(std::vector<std::string>{});
}

void WriteReport(std::ostream& out, sim::Machine& machine, const std::vector<demo::AttachedDrive>& drives,
                 const RunState& state) {
  out << "update-runs: " << state.updateRuns << "\n";
  if (state.updateRuns > 0) {
    out << "update-end: " << EndName(state.outcome.end) << "\n";
    out << "stage-result: " << state.outcome.stageResult << "\n";
    out << "identity: \"" << state.outcome.identity << "\"\n";
  }
  for (const std::string& dir : {machine.SystemDirectory(), machine.Wow64Directory()}) {
    for (const char* name : {"FW.bin", "Ombrel.exe", "Ferryman.exe"}) {
      const auto data = machine.files.Get(dir + "\\" + name);
      if (data) out << "file: " << dir << "\\" << name << " " << data->size() << "\n";
    }
  }
  WriteList(out, "boot-execute-before", state.bootExecuteBefore);
  WriteList(out, "boot-execute", BootExecute(machine));
  out << "copy-helper-runs: " << state.copyHelperRuns << " exit " << state.copyHelperExit << "\n";
  for (const auto& r : machine.restarts) out << "restart: flags " << r.flags << "\n";
  for (const auto& d : drives) {
    if (d.drive) out << "drive: " << d.drive->identity().model << " " << d.drive->Revision() << "\n";
  }
}

}  // namespace qz::simwindow
