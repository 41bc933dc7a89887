// The updater with its real window over a simulated machine: start-up, drive list and update
// command run as in Quenzar.exe, but every call that reaches the system (drives, files,
// registry, the copy helper, the restart) goes to the demo's default machine instead of the
// computer. When the program ends it writes what the machine then holds to a report file
// (QZ_SIM_REPORT, else Quenzar-sim-report.txt), for the Wine test. Never shipped.
#include <cstdlib>
#include <exception>
#include <fstream>
#include <string>
#include <vector>

#include "platform/registry_api.hpp"
#include "staging/boot_execute.hpp"
#include "sim/os/ferry_launcher.hpp"
#include "tools/demo/demo_machine.hpp"
#include "tests/wine/probes/simwindow/sim_report.hpp"
#include "updater/drive_manager_link.hpp"
#include "updater/main_window.hpp"
#include "updater/updater_hooks.hpp"
#include "updater/win32/main_form.hpp"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  const char* reportPath = std::getenv("QZ_SIM_REPORT");
  std::ofstream report(reportPath != nullptr ? reportPath : "Quenzar-sim-report.txt", std::ios::binary);
  try {
    const qz::demo::DemoMachine spec = qz::demo::BuiltInMachines().front();
    qz::sim::Machine machine(spec.release);
    const auto drives = qz::demo::BuildDemoMachine(machine, spec);
    qz::simwindow::RunState state;
    qz::ferry::RunCopyHelperOnLaunch(machine, &state.copyHelperRuns, &state.copyHelperExit);
    qz::sim::SimWin32 updater(machine, qz::sim::Bitness::X86);
    qz::demo::DriveApis apis(machine, updater);
    state.bootExecuteBefore = qz::simwindow::BootExecute(machine);

    qz::Win32Ui form(instance);
    std::vector<std::string> arguments;
    for (int i = 1; i < __argc; ++i) arguments.emplace_back(__argv[i]);
    qz::MainWindowHooks hooks = qz::UpdaterHooks(qz::MakeDriveManagerFactory(apis.system), &state.outcome);
    auto command = hooks.updateCommand;
    hooks.updateCommand = [&](qz::TQuenzarMain& w) {
      ++state.updateRuns;
      command(w);
    };
    {
      qz::TQuenzarMain window(form, updater, qz::EmbeddedPackageBlock(), hooks, arguments);
      if (!form.Terminated() && form.ShowMainForm()) form.Show();
      form.RunMessageLoop();
      window.FormDestroy();
    }
    qz::simwindow::WriteReport(report, machine, drives, state);
  } catch (const std::exception& error) {
    report << "exception: " << error.what() << "\n";
    return 1;
  }
  return 0;
}
