// The whole update on one simulated machine, as the rehearsal runs it: start-up over the drive
// manager and the simulated storage stack, the update command with the simulated user's
// answers, the restarts with the flasher from BootExecute, and the verdict afterwards.
#include <gtest/gtest.h>

#include <cctype>

#include "tests/tools/release_fixture.hpp"
#include "tools/demo/demo_run.hpp"
#include "tools/demo/matrix.hpp"

namespace qz::demo {
namespace {

using test::kModelA;
using test::kModelB;

DemoResult Rehearse(const DemoMachine& machine, const std::vector<std::uint8_t>& block, const std::string& fault = "",
               std::vector<std::string> arguments = {}) {
  DemoOptions o;
  o.machine = machine;
  o.packageBlock = block;
  o.fault = fault;
  o.arguments = std::move(arguments);
  o.transcript = nullptr;
  return RunDemo(o);
}

DemoMachine BuiltIn(const std::string& name) {
  for (const auto& m : BuiltInMachines()) {
    if (m.name == name) return m;
  }
  ADD_FAILURE() << "no built-in machine " << name;
  return {};
}

// A test name from a machine's or a fault's name.
std::string Readable(std::string name) {
  for (char& c : name) {
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  }
  return name;
}

// Every drive reports what it reported before.
void ExpectDrivesUnchanged(const DemoResult& r) {
  for (const auto& d : r.drives) {
    EXPECT_EQ(d.revisionAfter, d.revisionBefore) << d.name;
    EXPECT_EQ(d.extensionAfter, d.extensionBefore) << d.name;
  }
}

const char* PromiseName(Promise p) {
  switch (p) {
    case Promise::Update: return "update";
    case Promise::KeepWhole: return "keep whole";
    case Promise::Untouched: return "untouched";
  }
  return "?";
}

// The run as one record, so that a test states at once what it expects of it. A drive the
// flasher may not flash shows only whether it changed.
std::string Record(const DemoResult& r) {
  std::string s = std::string(r.verdict.pass ? "pass" : "FAIL") + "; promise: " + PromiseName(r.promise) +
                  (r.reached ? "; target reached" : "; target not reached") +
                  (r.noHalfWrittenImage ? "" : "; HALF-WRITTEN IMAGE") + "\n";
  s += "package " + std::to_string(r.stagedPackage) + " staged, target " + r.target + "\n";
  for (const auto& d : r.drives) {
    const bool same = d.revisionAfter == d.revisionBefore && d.extensionAfter == d.extensionBefore;
    if (!d.allowed) {
      s += d.name.substr(0, d.name.find(' ', 5)) + ": " + (same ? "unchanged" : "CHANGED") + "\n";
      continue;
    }
    s += d.name + ": " + d.revisionBefore + " -> " + (same ? "unchanged" : d.revisionAfter + " (" + d.extensionAfter + ")") +
         ", may be flashed\n";
  }
  s += "restarts " + std::to_string(r.restarts) + ", boots " + std::to_string(r.boots) +
       (r.extraBootChangedNothing ? "; a later restart changed nothing" : "; a later restart changed the machine") +
       (r.bootExecuteAfter == r.bootExecuteBefore ? "; BootExecute as before" : "; BootExecute CHANGED") + "\n";
  for (const auto& f : r.fwBinWithDoneMark) s += "done-mark: " + f + "\n";
  return s;
}

std::string Failures(const DemoResult& r) {
  std::string all;
  for (const auto& f : r.verdict.failures) all += f + "\n";
  return all;
}

// The sample release on the machines where it must reach the target today.
class SampleRelease : public ::testing::TestWithParam<std::string> {};

TEST_P(SampleRelease, TheEligibleDriveTakesOnTheNewRevisionAndALaterRestartChangesNothing) {
  const DemoResult r = Rehearse(BuiltIn(GetParam()), test::SampleRelease());
  // A USB disk has no drive behind it. The updater's restart and the flasher's; the boot after
  // flashing asks for none, and neither does the user's later one.
  EXPECT_EQ(Record(r),
            "pass; promise: update; target reached\n"
            "package 1 staged, target VRDC\n"
            "disk 0 (VORTANIX QRX-480T9A): VRD5 -> VRDC (VRDC-4), may be flashed\n"
            "disk 1: unchanged\n"
            "restarts 2, boots 3; a later restart changed nothing; BootExecute as before\n"
            "done-mark: C:\\WINDOWS\\system32\\FW.bin\n")
      << Failures(r);
  // The user's later start of the updater reads the flasher's log.
  EXPECT_NE(r.lastRunLine.find(": disk 0, VRD5 to VRDC, passed"), std::string::npos) << r.lastRunLine;
}

TEST_P(SampleRelease, DecliningTheRestartLeavesTheUpdateStagedForTheNextRestart) {
  DemoOptions o;
  o.machine = BuiltIn(GetParam());
  o.packageBlock = test::SampleRelease();
  o.answerNo = true;
  o.transcript = nullptr;
  const DemoResult r = RunDemo(o);
  // Nobody asked for a restart before the user's own, which runs the flasher; it restarts once.
  EXPECT_EQ(Record(r),
            "pass; promise: update; target reached\n"
            "package 1 staged, target VRDC\n"
            "disk 0 (VORTANIX QRX-480T9A): VRD5 -> VRDC (VRDC-4), may be flashed\n"
            "disk 1: unchanged\n"
            "restarts 0, boots 2; a later restart changed the machine; BootExecute as before\n"
            "done-mark: C:\\WINDOWS\\system32\\FW.bin\n")
      << Failures(r);
}

INSTANTIATE_TEST_SUITE_P(BuiltIn, SampleRelease,
                         ::testing::Values("win7x64", "xp86", "vista86", "2003x64", "ide", "xp64", "win8x64",
                                           "win81x86", "win10x64", "win11x64"),
                         [](const auto& param) { return Readable(param.param); });

// The package's drive behind an RST driver that refuses pass-through: the updater names it
// and fails, nothing is staged, no drive changes.
TEST(SampleReleaseBehindRst, TheUnreachableDriveIsNamedAndTheRunFails) {
  const DemoResult r = Rehearse(BuiltIn("win10-rst"), test::SampleRelease());
  EXPECT_TRUE(r.verdict.pass) << Failures(r);
  EXPECT_EQ(r.promise, Promise::Untouched);
  EXPECT_EQ(r.updaterExitCode, 1603);
  EXPECT_EQ(r.stagedPackage, 0);
  EXPECT_EQ(r.restarts, 0u);
  EXPECT_EQ(r.bootExecuteAfter, r.bootExecuteBefore);
  ExpectDrivesUnchanged(r);
  ASSERT_EQ(r.messageBoxes.size(), 1u) << r.messageBoxes.back();
  EXPECT_EQ(r.messageBoxes[0], "[Error] Disk 0, VORTANIX QRX-480T9A, controller driver iaStorAC:\\n"
                               "this drive can not be updated through that driver !\\n");

  // The same machine whose driver passes requests through updates as any other, and the box
  // that announces the update tells to restart, fast startup being on.
  DemoMachine through = BuiltIn("win10-rst");
  through.controllers[0].passThrough = true;
  const DemoResult reached = Rehearse(through, test::SampleRelease());
  EXPECT_TRUE(reached.verdict.pass) << Failures(reached);
  EXPECT_TRUE(reached.reached);
  ASSERT_FALSE(reached.messageBoxes.empty());
  EXPECT_NE(reached.messageBoxes[0].find("complete the update !\\nWindows fast startup is on: choose Restart, not "
                                         "Shut down, to run the update.\\n"),
            std::string::npos)
      << reached.messageBoxes[0];
  EXPECT_EQ(reached.bootExecuteBefore, std::vector<std::string>{"autocheck autochk /q /v *"});
  EXPECT_EQ(reached.bootExecuteAfter, reached.bootExecuteBefore);
}

// Every named fault on the default machine: the update does not happen, no drive holds a
// partial image, and whatever was staged has been taken back (a later restart changes nothing).
// Eight disks, a USB stick among them, the package's drive the last: only that one changes.
TEST(SampleReleaseOnEightDisks, OnlyTheLastDiskTakesOnTheNewRevision) {
  const DemoResult r = Rehearse(BuiltIn("eight"), test::SampleRelease());
  EXPECT_TRUE(r.verdict.pass) << Failures(r);
  EXPECT_TRUE(r.reached);
  ASSERT_EQ(r.drives.size(), 7u);
  for (std::size_t i = 0; i + 1 < r.drives.size(); ++i) {
    EXPECT_EQ(r.drives[i].revisionAfter, r.drives[i].revisionBefore) << r.drives[i].name;
  }
  EXPECT_EQ(r.drives.back().revisionBefore, "VRD5");
  EXPECT_EQ(r.drives.back().revisionAfter, "VRDC");
  EXPECT_EQ(r.bootExecuteAfter, r.bootExecuteBefore);
}

class SampleReleaseFault : public ::testing::TestWithParam<std::string> {};

TEST_P(SampleReleaseFault, EveryDriveKeepsItsFirmwareWholeAndNothingStaysStaged) {
  const DemoResult r = Rehearse(BuiltInMachines().front(), test::SampleRelease(), GetParam());
  EXPECT_FALSE(r.badFault);
  EXPECT_EQ(r.promise, Promise::KeepWhole);
  EXPECT_TRUE(r.verdict.pass) << Failures(r);
  EXPECT_FALSE(r.reached);
  EXPECT_TRUE(r.noHalfWrittenImage);
  ASSERT_EQ(r.drives.size(), 2u);
  ExpectDrivesUnchanged(r);
  EXPECT_EQ(r.bootExecuteAfter, r.bootExecuteBefore);
  EXPECT_TRUE(r.extraBootChangedNothing);
  if (IsDriveFault(GetParam())) {
    EXPECT_EQ(r.restarts, 2u);  // staged and run; the flasher still restarts after a failure
    // A download that ended tells so at the next start; one cut by the power tells nothing.
    // The flasher goes on after the drive fails, and the next start tells so.
    EXPECT_NE(r.lastRunLine.find(", FAILED"), std::string::npos) << r.lastRunLine;
  } else {
    EXPECT_EQ(r.restarts, 0u);  // staging failed: no restart is offered
    EXPECT_TRUE(r.fwBinWithDoneMark.empty());
  }
}

INSTANTIATE_TEST_SUITE_P(Named, SampleReleaseFault, ::testing::ValuesIn(FaultNames()),
                         [](const auto& param) { return Readable(param.param); });

TEST(DemoFaults, AnUnknownFaultIsRefusedBeforeAnythingRuns) {
  const DemoResult r = Rehearse(BuiltInMachines().front(), test::SampleRelease(), "no-such-fault");
  EXPECT_TRUE(r.badFault);
  EXPECT_FALSE(r.reached);
  EXPECT_TRUE(r.drives.empty());
}

// The release of the complaint: three packages, two models, overlapping ranges. The drive of
// model A at VRD7 gets package 1; its twin at VRDA belongs to package 2 and the model B drive to
// package 3, so neither may change.
TEST(MultiPackageRelease, TheStagedPackageIsJudgedAndEveryOtherDriveStaysAsItWas) {
  DemoMachine m = AhciDesktop("multi", "three packages", sim::Windows::Win7X64, false);
  m.disks[0].revision = m.disks[0].extension = "VRD7";
  m.disks[1] = m.disks[0];
  m.disks[1].position = 1;
  m.disks[1].revision = m.disks[1].extension = "VRDA";
  m.disks.push_back(m.disks[0]);
  m.disks[2].position = 2;
  m.disks[2].model = kModelB;
  m.disks[2].revision = m.disks[2].extension = "MB03";
  const DemoResult r = Rehearse(m, test::ThreePackageRelease());
  ASSERT_EQ(r.drives.size(), 3u);
  EXPECT_EQ(r.stagedPackage, 1);
  EXPECT_EQ(r.target, "VRDC");
  EXPECT_EQ(r.drives[0].revisionAfter, "VRDC");
  EXPECT_TRUE(r.drives[0].allowed);
  EXPECT_FALSE(r.drives[1].allowed);
  EXPECT_FALSE(r.drives[2].allowed);
  // The flasher finds every drive of the staged model: the twin outside the package's range
  // must be left alone for the run to pass.
  if (r.drives[1].revisionAfter != "VRDA") {
    EXPECT_FALSE(r.verdict.pass);
    ASSERT_FALSE(r.verdict.failures.empty());
    EXPECT_EQ(r.verdict.failures[0].rfind("disk 1 ", 0), 0u) << r.verdict.failures[0];
  } else {
    EXPECT_TRUE(r.verdict.pass) << Failures(r);
  }
  EXPECT_EQ(r.drives[2].revisionAfter, "MB03");
  EXPECT_TRUE(r.noHalfWrittenImage);
}

// The updater's own command line: "/S" runs the update without the window; a refused argument
// ends the run with nothing to judge but drives that must stay as they were.
TEST(UpdaterArguments, ASilentRunUpdatesWithoutTheWindowAndABadArgumentChangesNothing) {
  const DemoResult silent = Rehearse(BuiltInMachines().front(), test::SampleRelease(), "", {"/S"});
  EXPECT_TRUE(silent.verdict.pass) << Failures(silent);
  EXPECT_TRUE(silent.reached);
  EXPECT_NE(silent.updaterEnd.find("update command"), std::string::npos) << silent.updaterEnd;

  const DemoResult bad = Rehearse(BuiltInMachines().front(), test::SampleRelease(), "", {"/X"});
  EXPECT_EQ(bad.promise, Promise::Untouched);
  EXPECT_TRUE(bad.verdict.pass) << Failures(bad);
  EXPECT_EQ(bad.stagedPackage, 0);
  ExpectDrivesUnchanged(bad);
}

// A machine on a low battery with a release that checks it: the updater refuses, and that is
// what the release promises; the same release that does not check goes ahead.
TEST(Battery, ALowBatteryStopsOnlyAReleaseThatChecksIt) {
  DemoMachine m = BuiltInMachines().front();
  m.lowBattery = true;
  std::string checks = "0000000001011000000010000002000";
  checks[18] = '1';  // digit 19
  const DemoResult refused = Rehearse(m, test::SampleRelease(checks));
  EXPECT_EQ(refused.promise, Promise::Untouched);
  EXPECT_TRUE(refused.verdict.pass) << Failures(refused);
  EXPECT_NE(refused.updaterEnd.find("battery"), std::string::npos) << refused.updaterEnd;
  ExpectDrivesUnchanged(refused);

  const DemoResult ahead = Rehearse(m, test::SampleRelease());
  EXPECT_TRUE(ahead.reached);
}

// 32-bit XP before SP2 identifies the drive but has no pass-through for the flasher at boot:
// the update command refuses before writing anything, and that is what the release promises.
TEST(DemoTransports, XpBeforeSp2IsRefusedAndNothingChanges) {
  const DemoResult r = Rehearse(BuiltIn("xp86-sp1"), test::SampleRelease());
  EXPECT_EQ(r.promise, Promise::Untouched);
  EXPECT_TRUE(r.verdict.pass) << Failures(r);
  EXPECT_NE(r.updaterEnd.find("before SP2 refused"), std::string::npos) << r.updaterEnd;
  EXPECT_EQ(r.updaterExitCode, 1603);
  EXPECT_EQ(r.restarts, 0u);
  EXPECT_EQ(r.bootExecuteAfter, r.bootExecuteBefore);
  ExpectDrivesUnchanged(r);
}

// With a firmware file every listed drive is eligible and the last one is selected; the user
// picks the drive of the package's model, which the file's image is made for.
TEST(DemoFirmwareFile, TheUsersChoiceOfDriveIsFlashedWithTheFile) {
  DemoOptions o;
  o.packageBlock = test::SampleRelease();
  o.firmwareFile = sim::MakeSampleFirmware({kModelA, "VRDD", "VRDD-1", 262144});
  o.transcript = nullptr;
  const DemoResult r = RunDemo(o);
  ASSERT_EQ(r.drives.size(), 2u);
  EXPECT_EQ(r.target, "VRDD");  // the file's image, not the package's
  EXPECT_EQ(r.drives[0].revisionAfter, "VRDD");
  EXPECT_EQ(r.drives[0].extensionAfter, "VRDD-1");
  EXPECT_EQ(r.drives[1].revisionAfter, r.drives[1].revisionBefore);
  EXPECT_TRUE(r.verdict.pass) << Failures(r);
}

// A machine of the user's with two drives of the package's model: the one the user staged is
// flashed, its twin at another revision is left alone; with no drive the release admits
// nothing changes and nothing restarts.
TEST(DemoUserMachine, DrivesOfTheUsersMachineAreTheOnesUpdated) {
  DemoMachine m = AhciDesktop("file", "user", sim::Windows::Win7X86, false);
  m.disks[0].revision = m.disks[0].extension = "VRD1";
  m.disks[1] = m.disks[0];
  m.disks[1].position = 2;
  m.disks[1].revision = "VRD7";
  m.disks[1].extension = "VRD7-X";
  const DemoResult r = Rehearse(m, test::SampleRelease());
  EXPECT_EQ(Record(r),
            "pass; promise: update; target reached\n"
            "package 1 staged, target VRDC\n"
            "disk 0 (VORTANIX QRX-480T9A): VRD1 -> VRDC (VRDC-4), may be flashed\n"
            "disk 1: unchanged\n"
            "restarts 2, boots 3; a later restart changed nothing; BootExecute as before\n"
            "done-mark: C:\\WINDOWS\\system32\\FW.bin\n")
      << Failures(r);
  ASSERT_EQ(r.drives.size(), 2u);
  EXPECT_EQ(r.drives[1].revisionAfter, "VRD7");
  EXPECT_EQ(r.drives[1].extensionAfter, "VRD7-X");

  m.disks[0].revision = "VRE1";
  m.disks[1].model = "OTHER DISK";
  const DemoResult none = Rehearse(m, test::SampleRelease());
  EXPECT_FALSE(none.reached);
  EXPECT_EQ(none.promise, Promise::Untouched);
  EXPECT_TRUE(none.verdict.pass) << Failures(none);
  ASSERT_EQ(none.drives.size(), 2u);
  ExpectDrivesUnchanged(none);
  EXPECT_EQ(none.restarts, 0u);
}

// How each disk was identified depends on Windows and the controller's driver: ATA
// pass-through from XP SP2 on, IDE pass-through before it, the SiI3124 miniport's own
// interface from driver 2.2 on. A drive that never answers is named as such and left alone.
TEST(DemoTransports, TheTranscriptNamesTheRequestThatIdentifiedEachDrive) {
  const auto through = [](const DemoResult& r, std::size_t i) {
    return i < r.drives.size() ? r.drives[i].identifiedThrough : std::string("(no drive)");
  };
  EXPECT_NE(through(Rehearse(BuiltIn("xp86"), test::SampleRelease()), 0).find("IOCTL_ATA_PASS_THROUGH "),
            std::string::npos);
  EXPECT_NE(through(Rehearse(BuiltIn("xp86-sp1"), test::SampleRelease()), 0).find("IOCTL_IDE_PASS_THROUGH"),
            std::string::npos);

  DemoMachine m = AhciDesktop("sil", "SiI3124", sim::Windows::Win7X64, false);
  m.controllers.push_back({sim::SataKind::Sil3124, "", "2.2"});
  m.disks[1].controller = 1;
  m.disks[1].position = 1;
  m.disks[0].identify = IdentifyAnswer::Never;
  const DemoResult r = Rehearse(m, test::SampleRelease());
  EXPECT_NE(through(r, 1).find("IOCTL_SCSI_MINIPORT"), std::string::npos) << through(r, 1);
  EXPECT_NE(through(r, 0).find("NOT identified"), std::string::npos) << through(r, 0);
  EXPECT_EQ(r.promise, Promise::Untouched);  // the package's drive cannot be reached
  EXPECT_TRUE(r.verdict.pass) << Failures(r);

  // Below 2.2 the drive is sent SCSI pass-through, whose vendor block that driver does not carry.
  m.controllers[1].version = "2.1";
  m.disks[0].identify = IdentifyAnswer::Answers;
  const std::string old = through(Rehearse(m, test::SampleRelease()), 1);
  EXPECT_EQ(old.rfind("NOT identified: no IDENTIFY reached the drive", 0), 0u) << old;
  EXPECT_NE(old.find("IOCTL_SCSI_PASS_THROUGH"), std::string::npos) << old;

  m.disks[0].identify = IdentifyAnswer::Slowly;
  m.disks[0].identifyTimeouts = 2;
  const DemoResult slow = Rehearse(m, test::SampleRelease());
  EXPECT_NE(through(slow, 0).find("after 2 time-outs"), std::string::npos) << through(slow, 0);
  EXPECT_TRUE(slow.reached);
}

// The matrix's rows carry what a pipeline needs, and its JSON is the same table.
TEST(DemoMatrix, OneRowARunWithTheVerdictAndTheTotal) {
  DemoOptions base;
  base.packageBlock = test::SampleRelease();
  const Matrix m = RunMatrix({BuiltInMachines().front()}, base);
  ASSERT_EQ(m.rows.size(), FaultNames().size() + 1);
  EXPECT_EQ(m.Passed(), m.rows.size());
  EXPECT_EQ(m.rows[0].fault, "");
  EXPECT_EQ(MatrixLine(m.rows[0]).rfind("win7x64   no fault         pkg 1  VRD5->VRDC, HN02->HN02  restarts 2  PASS", 0),
            0u)
      << MatrixLine(m.rows[0]);
  const std::string json = MatrixJson(m);
  EXPECT_NE(json.find("\"pass\": " + std::to_string(m.rows.size())), std::string::npos);
  EXPECT_NE(json.find("\"fault\": \"power-loss\""), std::string::npos);
}

}  // namespace
}  // namespace qz::demo
