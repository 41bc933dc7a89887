#pragma once
// On a simulated 64-bit machine: runs the copy helper when the updater starts it through the
// command processor, as the 64-bit process it is. Only for host programs that link the
// simulated machine (tests, demo).
#include <string>

#include "platform/text.hpp"
#include "sim/machine/machine.hpp"
#include "sim/os/sim_win32.hpp"
#include "staging/ferryman/seam_io.hpp"

namespace qz::ferry {

// Installs the launch hook; `runs` counts the helper's runs and `lastExit` its exit code.
inline void RunCopyHelperOnLaunch(sim::Machine& machine, int* runs = nullptr, int* lastExit = nullptr) {
  machine.onShellExecute = [&machine, runs, lastExit](const sim::ShellLaunch& launch) {
    const std::string helper = machine.windowsDirectory + "\\SysWOW64\\Ferryman.exe";
    if (!EqualsIgnoreCase(launch.file, "cmd.exe") || !EqualsIgnoreCase(launch.parameters, "/c " + helper)) return;
    // The command processor finds no program in a missing or empty file.
    const auto image = machine.files.Get(helper);
    if (!image || image->empty()) return;
    sim::SimWin32 process(machine, sim::Bitness::X64);
    const int code = RunFerryOn(process);
    if (runs != nullptr) ++*runs;
    if (lastExit != nullptr) *lastExit = code;
    machine.launchOutcome.exitCode = static_cast<std::uint32_t>(code);
  };
}

}  // namespace qz::ferry
