// Prints what the system facilities see on the machine it runs on; the Wine smoke test
// reads its output.
#include <cstdio>

#include "platform/win32/real_win32.hpp"
#include "transport/high_res_timer.hpp"
#include "transport/system_info.hpp"

int main() {
  qz::RealWin32 api;
  qz::SystemInfo info(api);
  qz::HighResTimer timer(api);
  timer.StartLap(true);
  api.Sleep(20);
  const double elapsed = static_cast<double>(timer.ElapsedSeconds());
  std::printf("OsVersionCode=0x%08X\n", static_cast<unsigned>(info.GetOsVersionCode()));
  std::printf("NtPlatform=%d\n", info.IsNtPlatform() ? 1 : 0);
  std::printf("Administrator=%d\n", info.IsAdministrator() ? 1 : 0);
  std::printf("Wow64=%d\n", info.IsWow64Process32() ? 1 : 0);
  std::printf("TimerNoCounter=%d\n", timer.NoCounter);
  std::printf("TimerElapsedMs=%.3f\n", elapsed * 1000.0);
  return 0;
}
