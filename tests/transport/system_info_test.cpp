#include <gtest/gtest.h>

#include "platform/registry_api.hpp"
#include "sim/machine/machine.hpp"
#include "sim/os/sim_win32.hpp"
#include "transport/system_info.hpp"

namespace qz {
namespace {

using sim::Bitness;
using sim::Machine;
using sim::SimWin32;
using sim::Windows;

TEST(SystemInfo, PlatformFlags) {
  struct Case {
    Windows release;
    bool nt, nt4;
  } cases[] = {{Windows::Win7X64, true, false}, {Windows::Nt4Sp6a, true, true},
               {Windows::Win98, false, false}, {Windows::XpPro, true, false}};
  for (const auto& c : cases) {
    Machine m(c.release);
    SimWin32 api(m, Bitness::X86);
    SystemInfo info(api);
    EXPECT_EQ(info.IsNtPlatform(), c.nt);
    EXPECT_EQ(info.IsNt4 != 0, c.nt4);
  }
}

TEST(SystemInfo, AdministratorMembership) {
  Machine m(Windows::Win7X64);
  SimWin32 api(m, Bitness::X86);
  SystemInfo info(api);
  EXPECT_TRUE(info.IsAdministrator());

  // User account control: the filtered token carries the group for deny only.
  m.SetAdministrator(true, group_attr::kUseForDenyOnly);
  EXPECT_TRUE(info.IsAdministrator());

  m.SetAdministrator(false);
  EXPECT_FALSE(info.IsAdministrator());
  EXPECT_EQ(api.OpenHandleCount(), 0u);
}

TEST(SystemInfo, AdministratorTestFailsClosed) {
  {
    Machine m(Windows::Win7X64);
    m.token.openFails = true;
    SimWin32 api(m, Bitness::X86);
    EXPECT_FALSE(SystemInfo(api).IsAdministrator());
  }
  {
    // NT 4 has no CheckTokenMembership: the test gives up even for an administrator.
    Machine m(Windows::Nt4Sp6a);
    SimWin32 api(m, Bitness::X86);
    EXPECT_FALSE(SystemInfo(api).IsAdministrator());
  }
  {
    // So many groups that TOKEN_GROUPS overflows the 1024-byte buffer.
    Machine m(Windows::Win7X64);
    for (std::uint32_t i = 0; i < 80; ++i) {
      m.token.groups.insert(m.token.groups.begin(), {Sid{{0, 0, 0, 0, 0, 5}, {21, 1, 2, 3, 1000 + i}}, 7});
    }
    SimWin32 api(m, Bitness::X86);
    EXPECT_FALSE(SystemInfo(api).IsAdministrator());
    EXPECT_EQ(api.OpenHandleCount(), 0u);
  }
}

TEST(SystemInfo, RestartEnablesTheShutdownPrivilegeAndForces) {
  Machine m(Windows::Win7X64);
  SimWin32 api(m, Bitness::X86);
  SystemInfo info(api);
  ASSERT_TRUE(info.RestartNow());
  ASSERT_EQ(m.restarts.size(), 1u);
  EXPECT_EQ(m.restarts[0].flags, 6u);  // reboot, forced
  EXPECT_TRUE(m.token.privileges["SeShutdownPrivilege"].enabled);
  EXPECT_EQ(api.OpenHandleCount(), 0u);
}

TEST(SystemInfo, RestartWithoutThePrivilegeDoesNotTry) {
  Machine m(Windows::Win7X64);
  m.token.privileges["SeShutdownPrivilege"].held = false;
  SimWin32 api(m, Bitness::X86);
  SystemInfo info(api);
  EXPECT_FALSE(info.RestartNow());
  EXPECT_TRUE(m.restarts.empty());
}

TEST(SystemInfo, RestartOnWindows9xSkipsTokens) {
  Machine m(Windows::Win98Se);
  SimWin32 api(m, Bitness::X86);
  SystemInfo info(api);
  ASSERT_TRUE(info.ExitWindowsWithPrivilege(exit_flags::kShutdown));
  ASSERT_EQ(m.restarts.size(), 1u);
  EXPECT_EQ(m.restarts[0].flags, 5u);
}

TEST(SystemInfo, Wow64Test) {
  struct Case {
    Windows release;
    Bitness bits;
    bool wow64;
  } cases[] = {{Windows::Win7X64, Bitness::X86, true}, {Windows::Win7X64, Bitness::X64, false},
               {Windows::XpPro, Bitness::X86, false}, {Windows::XpProX64, Bitness::X86, true},
               {Windows::Win2000, Bitness::X86, false}};
  for (const auto& c : cases) {
    Machine m(c.release);
    SimWin32 api(m, c.bits);
    EXPECT_EQ(SystemInfo(api).IsWow64Process32(), c.wow64);
  }
  // Without the entry point the answer is false, even on a 64-bit system.
  Machine m(Windows::Win7X64);
  m.RemoveExport("kernel32", "IsWow64Process");
  SimWin32 api(m, Bitness::X86);
  EXPECT_FALSE(SystemInfo(api).IsWow64Process32());
}

TEST(SystemInfo, NtSamplerRecordsStartingValues) {
  Machine m(Windows::Win7X64);
  m.clock.AdvanceMilliseconds(60000);
  SimWin32 api(m, Bitness::X86);
  const std::int64_t idle = m.clock.IdleTime100ns();
  const std::int64_t now = m.clock.SystemTime100ns();
  SystemInfo info(api);
  EXPECT_EQ(info.StartIdleTime, idle);
  EXPECT_EQ(info.StartTime, now);
  EXPECT_EQ(info.BasicInfo[40], 2);  // processors, at its 32-bit offset
}

TEST(SystemInfo, Windows9xSamplerRunsForTheObjectsLife) {
  Machine m(Windows::Win98);
  SimWin32 api(m, Bitness::X86);
  {
    SystemInfo info(api);
    EXPECT_TRUE(m.cpuStatisticRunning);
    EXPECT_NE(info.StatDataKey, kNullHandle);
  }
  EXPECT_FALSE(m.cpuStatisticRunning);
  EXPECT_EQ(api.OpenHandleCount(), 0u);
}

}  // namespace
}  // namespace qz
