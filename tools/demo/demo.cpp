// The simulated update, run on the host: boots a simulated machine and drives the updater's
// code against it, printing what happens.
#include <cstdio>

#include "sim/machine.hpp"
#include "sim/sim_win32.hpp"
#include "transport/high_res_timer.hpp"
#include "transport/system_info.hpp"

int main() {
  qz::sim::Machine machine(qz::sim::Windows::Win7X64);
  // The updater is a 32-bit program: on 64-bit Windows it runs under WOW64.
  qz::sim::SimWin32 updater(machine, qz::sim::Bitness::X86);

  qz::SystemInfo info(updater);
  qz::HighResTimer timer(updater);
  std::printf("Simulated machine: Windows 7 SP1, x64, administrator logged on\n");
  std::printf("OsVersionCode      0x%08X\n", static_cast<unsigned>(info.GetOsVersionCode()));
  std::printf("NT platform        %s\n", info.IsNtPlatform() ? "yes" : "no");
  std::printf("Administrator      %s\n", info.IsAdministrator() ? "yes" : "no");
  std::printf("WOW64              %s\n", info.IsWow64Process32() ? "yes" : "no");

  timer.StartLap(true);
  updater.Sleep(3000);  // virtual time: returns at once
  std::printf("Timer              %.6Lf s after a simulated 3-second wait (overhead %lld ticks)\n",
              timer.ElapsedSeconds(), static_cast<long long>(timer.Overhead));
  return 0;
}
