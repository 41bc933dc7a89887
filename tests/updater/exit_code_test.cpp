// The program's exit code for deployment tools: 0 nothing needed, 3010 staged and a restart
// still needed, 1641 staged and the restart started, 1603 a failure, 1602 the user said no.
#include <gtest/gtest.h>

#include "sim/ferry_launcher.hpp"
#include "startup_fixture.hpp"
#include "update_rig.hpp"

namespace qz::test {
namespace {

using sim::Windows;

const std::string kWow64 = "C:\\WINDOWS\\SysWOW64\\";

TEST(ExitCode, SilentRunThatStagesAndRestarts) {
  UpdateRig rig(Windows::Win7X64);
  ferry::RunCopyHelperOnLaunch(rig.machine);
  rig.ui.answers = {answer::kOk, answer::kYes};
  TQuenzarMain& w = rig.Start({MakeDrive(kShippedModel, "VRD5")}, {"/S"});
  EXPECT_EQ(rig.outcome.end, UpdateEnd::RestartRequested);
  ASSERT_EQ(rig.machine.restarts.size(), 1u);
  EXPECT_EQ(w.ExitCode, 1641);
}

TEST(ExitCode, StagedButTheRestartDeclinedOrRefused) {
  {
    UpdateRig rig(Windows::Win7X86);
    rig.ui.answers = {answer::kOk, answer::kNo};
    TQuenzarMain& w = rig.Start({MakeDrive(kShippedModel, "VRD5")}, {"/S"});
    EXPECT_EQ(rig.outcome.end, UpdateEnd::Staged);
    EXPECT_EQ(w.ExitCode, 3010);
  }
  {
    // Yes, but Windows refuses the restart: the update still waits for one.
    UpdateRig rig(Windows::Win7X86);
    rig.machine.token.privileges["SeShutdownPrivilege"].held = false;
    rig.ui.answers = {answer::kOk, answer::kYes};
    TQuenzarMain& w = rig.Start({MakeDrive(kShippedModel, "VRD5")}, {"/S"});
    EXPECT_EQ(rig.outcome.end, UpdateEnd::RestartRequested);
    EXPECT_TRUE(rig.machine.restarts.empty());
    EXPECT_EQ(w.ExitCode, 3010);
  }
}

TEST(ExitCode, NoEligibleDriveIsNothingNeeded) {
  UpdateRig rig(Windows::Win7X86);
  TQuenzarMain& w = rig.Start({MakeDrive("OTHER DRIVE 120G", "1.02")}, {"/S"});
  EXPECT_EQ(w.End, StartupEnd::NoMatchedDrives);
  EXPECT_EQ(w.ExitCode, 0);
}

TEST(ExitCode, EveryFailureOfTheCommandIs1603) {
  {
    UpdateRig rig(Windows::Win7X64);  // copy helper never runs
    TQuenzarMain& w = rig.Start({MakeDrive(kShippedModel, "VRD5")}, {"/S"});
    EXPECT_EQ(rig.outcome.end, UpdateEnd::CopyFailed);
    EXPECT_EQ(w.ExitCode, 1603);
  }
  {
    UpdateRig rig(Windows::Win7X64);
    rig.machine.files.FailCreate(kWow64 + "FW.bin");
    TQuenzarMain& w = rig.Start({MakeDrive(kShippedModel, "VRD5")}, {"/S"});
    EXPECT_EQ(rig.outcome.end, UpdateEnd::FwWriteFailed);
    EXPECT_EQ(w.ExitCode, 1603);
  }
  {
    UpdateRig rig(Windows::Win7X64);
    rig.machine.files.FailCreate(kWow64 + "Ombrel.exe");
    TQuenzarMain& w = rig.Start({MakeDrive(kShippedModel, "VRD5")}, {"/S"});
    EXPECT_EQ(rig.outcome.end, UpdateEnd::StageFailed);
    EXPECT_EQ(w.ExitCode, 1603);
  }
}

TEST(ExitCode, StartupEndsMapToTheirCodes) {
  {
    StartupRun run;  // no drive manager
    EXPECT_EQ(run.Run().ExitCode, 1603);
  }
  {
    StartupRun run;
    run.Drives({Drive(true, true)}, 5);
    run.machine.SetAdministrator(false);
    TQuenzarMain& w = run.Run();
    EXPECT_EQ(w.End, StartupEnd::AccessDenied);
    EXPECT_EQ(w.ExitCode, 1603);
  }
  {
    StartupRun run;
    run.Drives({Drive(true, true)});
    TQuenzarMain& w = run.Run({"C:\\no\\such\\file.bin"});
    EXPECT_EQ(w.End, StartupEnd::BadArgument);
    EXPECT_EQ(w.ExitCode, 1603);
  }
  {
    StartupRun run;
    run.Digit(9, '1');
    run.Drives({Drive(true, true)});
    run.ui.answers = {answer::kNo};
    TQuenzarMain& w = run.Run();
    EXPECT_EQ(w.End, StartupEnd::NoticeDeclined);
    EXPECT_EQ(w.ExitCode, 1602);
  }
  {
    // The window waits for the user: closing it without an update is a no.
    StartupRun run;
    run.Drives({Drive(true, true)});
    TQuenzarMain& w = run.Run();
    EXPECT_EQ(w.End, StartupEnd::WindowShown);
    EXPECT_EQ(w.ExitCode, 1602);
  }
}

}  // namespace
}  // namespace qz::test
