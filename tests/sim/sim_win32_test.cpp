// Behaviour of the simulated system that later code relies on: tokens, privileges, services,
// launches and restarts.
#include <gtest/gtest.h>

#include "platform/service_api.hpp"
#include "sim/machine/machine.hpp"
#include "sim/os/sim_win32.hpp"

namespace qz::sim {
namespace {

TEST(SimSystem, PrivilegeAdjustmentReportsWhatTheTokenHolds) {
  Machine m;
  SimWin32 api(m, Bitness::X86);
  Handle token = 0;
  ASSERT_TRUE(api.OpenProcessToken(token_access::kAdjustPrivileges | token_access::kQuery, token));
  std::uint64_t luid = 0;
  ASSERT_TRUE(api.LookupPrivilegeValue("SeShutdownPrivilege", luid));
  EXPECT_TRUE(api.AdjustTokenPrivilege(token, luid, true));
  EXPECT_EQ(api.GetLastError(), 0u);

  m.token.privileges["SeShutdownPrivilege"] = {false, false};
  api.SetLastError(0);
  EXPECT_TRUE(api.AdjustTokenPrivilege(token, luid, true));  // succeeds, but assigns nothing
  EXPECT_EQ(api.GetLastError(), err::kNotAllAssigned);
  EXPECT_FALSE(m.token.privileges["SeShutdownPrivilege"].enabled);
  EXPECT_FALSE(api.ExitWindowsEx(exit_flags::kReboot, 0));
  EXPECT_TRUE(m.restarts.empty());
  api.CloseToken(token);
}

TEST(SimSystem, ServicesRunTheirStartRoutines) {
  Machine m;
  SimWin32 api(m, Bitness::X86);
  int started = 0, stopped = 0;
  m.services.OnStart("tessel", [&](ServiceManager::Service&) { return ++started > 0; });
  m.services.OnStop("tessel", [&](ServiceManager::Service&) { ++stopped; });

  Handle scm = api.OpenSCManager(0xF003F);
  ASSERT_NE(scm, kNullHandle);
  Handle svc = api.CreateService(scm, "Tessel", "Tessel", 0xF01FF, service_type::kKernelDriver,
                                 service_start::kDemand, "system32\\drivers\\tessel.sys");
  ASSERT_NE(svc, kNullHandle);
  EXPECT_EQ(api.CreateService(scm, "TESSEL", "x", 0, 1, 3, "y"), kNullHandle);
  EXPECT_EQ(api.GetLastError(), kErrorServiceExists);
  ASSERT_TRUE(api.StartService(svc));
  EXPECT_FALSE(api.StartService(svc));
  EXPECT_EQ(api.GetLastError(), kErrorServiceAlreadyRunning);
  std::uint32_t state = 0;
  ASSERT_TRUE(api.QueryServiceStatus(svc, state));
  EXPECT_EQ(state, service_state::kRunning);
  ASSERT_TRUE(api.ControlService(svc, service_control::kStop, state));
  EXPECT_EQ(state, service_state::kStopped);
  EXPECT_EQ(started, 1);
  EXPECT_EQ(stopped, 1);

  m.services.FailStart("Tessel");
  EXPECT_FALSE(api.StartService(svc));
  api.CloseServiceHandle(svc);
  api.CloseServiceHandle(scm);
  EXPECT_EQ(api.OpenHandleCount(), 0u);
}

TEST(SimSystem, ShellLaunchesAreRecordedAndHooked) {
  Machine m;
  std::string seen;
  m.onShellExecute = [&](const ShellLaunch& l) { seen = l.parameters; };
  SimWin32 api(m, Bitness::X86);
  EXPECT_GT(api.ShellExecute(0, "open", "cmd.exe", "/c C:\\WINDOWS\\SysWOW64\\Ferryman.exe", "", 0), 32);
  ASSERT_EQ(m.launches.size(), 1u);
  EXPECT_EQ(m.launches[0].file, "cmd.exe");
  EXPECT_EQ(seen, "/c C:\\WINDOWS\\SysWOW64\\Ferryman.exe");
}

TEST(SimSystem, ModulesResolveByNameAndMissingEntriesAreAState) {
  Machine m(Windows::Win2000);
  SimWin32 api(m, Bitness::X86);
  Handle k = api.LoadLibrary("KERNEL32.DLL");
  ASSERT_NE(k, kNullHandle);
  EXPECT_TRUE(api.HasProcAddress(k, "GetSystemInfo"));
  EXPECT_FALSE(api.HasProcAddress(k, "IsWow64Process"));
  EXPECT_EQ(api.GetLastError(), err::kProcNotFound);
  EXPECT_EQ(api.LoadLibrary("nosuch.dll"), kNullHandle);
  api.FreeLibrary(k);
}

}  // namespace
}  // namespace qz::sim
