// Starting a program and waiting for it, and turning WOW64 redirection off, on the simulated
// machine.
#include <gtest/gtest.h>

#include "sim/machine/machine.hpp"
#include "sim/os/sim_win32.hpp"

namespace qz::sim {
namespace {

TEST(SimLaunchWait, HookRunsBeforeTheWaitReturns) {
  Machine m(Windows::Win7X64);
  SimWin32 api(m, Bitness::X86);
  int ran = 0;
  m.onShellExecute = [&](const ShellLaunch& l) {
    EXPECT_EQ(l.parameters, "/c x.exe");
    ++ran;
  };
  m.launchOutcome.exitCode = 3;
  std::uint32_t code = 0;
  EXPECT_EQ(api.ShellExecuteWait(0, "open", "cmd.exe", "/c x.exe", "", 0, 1000, code), LaunchEnd::Finished);
  EXPECT_EQ(ran, 1);
  EXPECT_EQ(code, 3u);
  ASSERT_EQ(m.launches.size(), 1u);
}

TEST(SimLaunchWait, HangingProgramTimesOutAfterTheWait) {
  Machine m(Windows::Win7X64);
  SimWin32 api(m, Bitness::X86);
  int ran = 0;
  m.onShellExecute = [&](const ShellLaunch&) { ++ran; };
  m.launchOutcome.hangs = true;
  const std::uint32_t before = m.clock.TickCount();
  std::uint32_t code = 77;
  EXPECT_EQ(api.ShellExecuteWait(0, "open", "cmd.exe", "", "", 0, 60000, code), LaunchEnd::TimedOut);
  EXPECT_EQ(ran, 0);
  EXPECT_EQ(code, 77u);
  EXPECT_GE(m.clock.TickCount() - before, 60000u);
}

TEST(SimWow64Redirection, OffShowsTheNativeSystemDirectory) {
  Machine m(Windows::Win7X64);
  m.files.PutText("C:\\WINDOWS\\system32\\a.txt", "native");
  m.files.PutText("C:\\WINDOWS\\SysWOW64\\a.txt", "wow64");
  SimWin32 x86(m, Bitness::X86);
  EXPECT_EQ(x86.Redirect("C:\\WINDOWS\\system32\\a.txt"), "C:\\WINDOWS\\SysWOW64\\a.txt");
  ASSERT_TRUE(x86.SetWow64FsRedirection(false));
  EXPECT_EQ(x86.Redirect("C:\\WINDOWS\\system32\\a.txt"), "C:\\WINDOWS\\system32\\a.txt");
  ASSERT_TRUE(x86.SetWow64FsRedirection(true));
  EXPECT_EQ(x86.Redirect("C:\\WINDOWS\\system32\\a.txt"), "C:\\WINDOWS\\SysWOW64\\a.txt");

  Machine m32(Windows::Win7X86);
  SimWin32 plain(m32, Bitness::X86);
  EXPECT_FALSE(plain.SetWow64FsRedirection(false)) << "no WOW64 on 32-bit Windows";
  SimWin32 native(m, Bitness::X64);
  EXPECT_FALSE(native.SetWow64FsRedirection(false)) << "nor for a 64-bit process";
}

}  // namespace
}  // namespace qz::sim
