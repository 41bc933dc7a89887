// The program's exit code for deployment tools: 0 nothing needed, 3010 staged and a restart
// still needed, 1641 staged and the restart started, 1603 a failure, 1602 the user said no.
#include <gtest/gtest.h>

#include "sim/os/ferry_launcher.hpp"
#include "startup_fixture.hpp"
#include "update_rig.hpp"
#include "updater/ui_texts.hpp"

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

// A drive of the release's model that Windows lists but no transport identified.
struct UnreachedCase {
  const char* name;
  std::vector<UnreachedDisk> unreached;
  std::string firstBoxText = {};  // empty: no box
  StartupEnd end = StartupEnd::UnreachableDrive;
  int exitCode = 1603;
  std::string firstBoxCaption = "Error";
  bool eligibleDrive = false;  // an eligible drive is listed beside it
  char language = '0';         // option digit 1
  std::vector<std::string> args = {};
};
void PrintTo(const UnreachedCase& c, std::ostream* out) { *out << c.name; }

const UnreachedDisk kRstDisk{2, "VORTANIX QRX-480T9A", "VORTANIX QRX-480T9A", "iaStorAC"};
const std::string kCannot = "this drive can not be updated through that driver !\n";
const std::string kRstText = "Disk 2, VORTANIX QRX-480T9A, controller driver iaStorAC:\n" + kCannot;

class UnreachedDrive : public ::testing::TestWithParam<UnreachedCase> {};

TEST_P(UnreachedDrive, IsNamedAndANothingElseRunFails) {
  const UnreachedCase& c = GetParam();
  UpdateRig rig(Windows::Win10X86);
  rig.Digit(1, c.language);
  rig.unreached = c.unreached;
  std::vector<DriveRecord> drives = {MakeDrive("HALDEN HD2T-7200", "HN02")};
  if (c.eligibleDrive) drives.push_back(MakeDrive(kShippedModel, "VRD5"));
  TQuenzarMain& w = rig.Start(drives, c.args);
  EXPECT_EQ(w.End, c.end);
  EXPECT_EQ(w.ExitCode, c.exitCode);
  if (c.firstBoxText.empty()) {
    EXPECT_TRUE(rig.ui.boxes.empty());
    return;
  }
  ASSERT_FALSE(rig.ui.boxes.empty());
  EXPECT_EQ(rig.ui.boxes[0].caption.bytes, c.firstBoxCaption);
  EXPECT_EQ(rig.ui.boxes[0].text.bytes, c.firstBoxText);
  EXPECT_EQ(rig.ui.boxes[0].text.codePage, c.language == '1' ? kCodePageBig5 : kCodePageAnsi);
}

// The shipped package lists eligible drives only.
const std::string kNoMatch = "No matched drives detected !\nDetected drives :\n";
const UnreachedCase kUnreachedCases[] = {
    {"ByWmiModel", {{2, "VORTANIX QRX-480T9A", "", "iaStorAC"}}, kRstText},
    {"BySetupApiName", {{2, "", "VORTANIX QRX-480T9A SCSI Disk Device", "iaStorAC"}}, kRstText},
    {"DriverUnknown", {{0, "VORTANIX QRX-480T9A", "", ""}},
     "Disk 0, VORTANIX QRX-480T9A, controller driver (unknown):\n" + kCannot},
    {"TwoDisksOneBox", {kRstDisk, {5, "", "ATA VORTANIX QRX-480T9A", "iaStorAVC"}},
     kRstText + "\nDisk 5, VORTANIX QRX-480T9A, controller driver iaStorAVC:\n" + kCannot},
    {.name = "SecondLanguage", .unreached = {kRstDisk},
     .firstBoxText = std::string(texts::big5::kUnreachedDisk) + "2, VORTANIX QRX-480T9A" +
                     texts::big5::kUnreachedDriver + "iaStorAC" + texts::big5::kUnreachedTail,
     .language = '1'},
    {.name = "SilentRunShowsNoBoxYetFails", .unreached = {kRstDisk}, .args = {"/S"}},
    {"AnotherModelIsNothingNeeded", {{2, "HALDEN HD500-5400", "HALDEN HD500-5400", "iaStorAC"}}, kNoMatch,
     StartupEnd::NoMatchedDrives, 0},
    {"ALongerModelIsAnother", {{2, "VORTANIX QRX-480T9A-B", "", "iaStorAC"}}, kNoMatch, StartupEnd::NoMatchedDrives, 0},
    {"BesideAnEligibleDriveItWarnsAndGoesOn", {kRstDisk}, kRstText, StartupEnd::WindowShown, 1602, "Warning", true}};
INSTANTIATE_TEST_SUITE_P(ExitCode, UnreachedDrive, ::testing::ValuesIn(kUnreachedCases),
                         [](const auto& param) { return std::string(param.param.name); });

}  // namespace
}  // namespace qz::test
