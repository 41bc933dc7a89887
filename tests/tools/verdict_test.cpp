// The rehearsal's verdict over what each drive holds, with the drives the flasher may flash
// worked out by the release's own eligibility rule.
#include <gtest/gtest.h>

#include "platform/text.hpp"
#include "tests/tools/release_fixture.hpp"
#include "tools/demo/eligibility.hpp"
#include "tools/demo/verdict.hpp"
#include "updater/drive_match.hpp"
#include "updater/package_options.hpp"

namespace qz::demo {
namespace {

using test::kModelA;
using test::kModelB;

// A machine with four drives under the three-package release, package 1 staged for model A:
// disk 0 model A at VRD5 (package 1), disk 1 model A at VRDA (package 2), disk 2 model B at
// MB03 (package 3), disk 3 model A at VRD7 (package 1). After a good run disks 0 and 3 are at
// VRDC and the others as they were.
class MultiPackageRun : public ::testing::Test {
 protected:
  void SetUp() override {
    block_ = test::ThreePackageRelease();
    const PackageBlock package{Bytes(block_)};
    const std::vector<DriveTexts> texts = {{kModelA, "VRD5"}, {kModelA, "VRDA"}, {kModelB, "MB03"}, {kModelA, "VRD7"}};
    packages_ = PackagesOfDrives(package, ReadPackageOptions(package), texts);
    const auto flashable = FlashableDrives(packages_, texts, 0, FlasherIdentity(kModelA));
    input_.promise = Promise::Update;
    input_.target = TrimText(package.NewRevision(1));
    input_.targetExtension = TrimText(package.Extension(1));
    const char* befores[][2] = {{"VRD5", "VRD5-2"}, {"VRDA", "VRDA"}, {"MB03", "MB03"}, {"VRD7", "VRD7"}};
    for (std::size_t i = 0; i < texts.size(); ++i) {
      JudgedDrive d;
      d.name = "disk " + std::to_string(i) + " (" + texts[i].model + ")";
      d.before = {befores[i][0], befores[i][1], false, {}};
      d.after = d.before;
      d.allowed = flashable[i];
      input_.drives.push_back(d);
    }
    for (std::size_t i : {0u, 3u}) input_.drives[i].after = {"VRDC", "VRDC-4", false, {"VRDC"}};
  }

  static void ExpectFailureNaming(const Verdict& v, const std::string& drive, const std::string& says) {
    EXPECT_FALSE(v.pass);
    ASSERT_EQ(v.failures.size(), 1u);
    EXPECT_EQ(v.failures[0].rfind(drive, 0), 0u) << v.failures[0];
    EXPECT_NE(v.failures[0].find(says), std::string::npos) << v.failures[0];
  }

  std::vector<std::uint8_t> block_;
  std::vector<int> packages_;
  VerdictInput input_;
};

TEST_F(MultiPackageRun, TheReleaseGivesEachDriveTheFirstPackageThatAdmitsIt) {
  EXPECT_EQ(packages_, (std::vector<int>{0, 1, 2, 0}));
  EXPECT_EQ(input_.target, "VRDC");
  EXPECT_TRUE(input_.drives[0].allowed);
  EXPECT_FALSE(input_.drives[1].allowed);  // its model, another package
  EXPECT_FALSE(input_.drives[2].allowed);  // another model
  EXPECT_TRUE(input_.drives[3].allowed);
}

TEST_F(MultiPackageRun, ACorrectRunPasses) {
  const Verdict v = JudgeRun(input_);
  EXPECT_TRUE(v.pass) << (v.failures.empty() ? "" : v.failures[0]);
  EXPECT_TRUE(v.targetReached);
  EXPECT_FALSE(v.halfWritten);
  ASSERT_EQ(v.lines.size(), 4u);
  EXPECT_EQ(v.lines[0], "disk 0 (VORTANIX QRX-480T9A): reached the target: VRD5 (VRD5-2) -> VRDC (VRDC-4)");
  EXPECT_EQ(v.lines[1], "disk 1 (VORTANIX QRX-480T9A): untouched at VRDA");
}

TEST_F(MultiPackageRun, ADriveLeftAtItsOldRevisionFailsWhenNothingWentWrong) {
  input_.drives[3].after = input_.drives[3].before;
  ExpectFailureNaming(JudgeRun(input_), "disk 3 ", "LEFT AT VRD7, the target is VRDC");
  // The same drive after a fault kept its firmware whole: that is what the release promises.
  input_.promise = Promise::KeepWhole;
  EXPECT_TRUE(JudgeRun(input_).pass);
}

TEST_F(MultiPackageRun, ADriveOfAnotherModelTouchedFails) {
  input_.drives[2].after = {"MB10", "MB10-2", false, {"MB10"}};
  ExpectFailureNaming(JudgeRun(input_), "disk 2 ", "TOUCHED: not the staged drive's model or package, yet it went from MB03 to MB10 (MB10-2)");
}

TEST_F(MultiPackageRun, ADriveOfTheModelGivenAnotherPackageMustNotBeFlashedEvenToTheTarget) {
  input_.drives[1].after = {"VRDC", "VRDC-4", false, {"VRDC"}};
  ExpectFailureNaming(JudgeRun(input_), "disk 1 ", "TOUCHED");
}

TEST_F(MultiPackageRun, ADriveHoldingNeitherItsOldImageNorTheNewOneFails) {
  const DriveFirmware neither[] = {
      {"VRDX", "VRDX", false, {"VRDX"}},      // another revision took over
      {"VRD5", "VRD5-2", true, {"VRDC"}},     // the new image accepted but not running
      {"VRD5", "VRD5-2", false, {"VRDX"}},    // an image of another revision accepted
      {"VRDC", "VRD5-2", false, {"VRDC"}},    // the target's revision with the old extension
  };
  for (const auto& after : neither) {
    input_.drives[0].after = after;
    input_.promise = Promise::KeepWhole;  // not even a fault excuses it
    const Verdict v = JudgeRun(input_);
    ExpectFailureNaming(v, "disk 0 ", "HALF-WRITTEN OR UNKNOWN IMAGE");
    EXPECT_TRUE(v.halfWritten);
  }
}

TEST_F(MultiPackageRun, WhenNothingIsToChangeEveryDriveMustStayAsItWas) {
  input_.promise = Promise::Untouched;
  input_.drives[3].after = input_.drives[3].before;
  ExpectFailureNaming(JudgeRun(input_), "disk 0 ", "TOUCHED: nothing was to be updated");
  input_.drives[0].after = input_.drives[0].before;
  EXPECT_TRUE(JudgeRun(input_).pass);
}

TEST_F(MultiPackageRun, AnUpdateWithNoDriveToFlashFails) {
  for (auto& d : input_.drives) {
    d.allowed = false;
    d.after = d.before;
  }
  const Verdict v = JudgeRun(input_);
  EXPECT_FALSE(v.pass);
  ASSERT_EQ(v.failures.size(), 1u);
  EXPECT_EQ(v.failures[0].rfind("no drive of this machine was staged for", 0), 0u);
}

// The line a later start shows is judged against what the drives hold: "passed" only when a
// flashed drive reached the target, "FAILED" when one did not, and no line from an earlier run.
TEST_F(MultiPackageRun, TheLastRunLineMustTellWhatTheDrivesHold) {
  enum class Run { Good, FailedReflashKeptOld, NothingFlashed };
  const struct {
    const char* name;
    Run run;
    LastRunSays says;
    bool pass;
  } cases[] = {
      {"good run, passed", Run::Good, LastRunSays::Passed, true},
      {"good run, FAILED", Run::Good, LastRunSays::Failed, false},
      {"good run, none flashed", Run::Good, LastRunSays::NoneFlashed, false},
      // A re-flash whose download failed while the drive already ran the target revision with
      // another extension: it kept its old firmware whole, yet its log said PASS.
      {"failed re-flash, passed", Run::FailedReflashKeptOld, LastRunSays::Passed, false},
      {"failed re-flash, FAILED", Run::FailedReflashKeptOld, LastRunSays::Failed, true},
      {"failed re-flash, no line", Run::FailedReflashKeptOld, LastRunSays::Nothing, false},
      {"nothing flashed, an earlier run's passed", Run::NothingFlashed, LastRunSays::Passed, false},
      {"nothing flashed, an earlier run's FAILED", Run::NothingFlashed, LastRunSays::Failed, false},
      {"nothing flashed, says so", Run::NothingFlashed, LastRunSays::NoneFlashed, true},
      {"nothing flashed, no line", Run::NothingFlashed, LastRunSays::Nothing, true},
      {"good run, a line of another kind", Run::Good, LastRunSays::Other, false},
  };
  for (const auto& c : cases) {
    VerdictInput in = input_;
    in.lastRun = c.says;
    for (std::size_t i : {0u, 3u}) in.drives[i].after.downloadSent = true;
    if (c.run == Run::FailedReflashKeptOld) {
      in.promise = Promise::KeepWhole;
      for (std::size_t i : {0u, 3u}) {
        in.drives[i].before = {"VRDC", "VRDC-3", false, {}};
        in.drives[i].after = {"VRDC", "VRDC-3", false, {}, true};
      }
    } else if (c.run == Run::NothingFlashed) {
      in.promise = Promise::Untouched;
      for (auto& d : in.drives) d.after = d.before;
    }
    const Verdict v = JudgeRun(in);
    EXPECT_EQ(v.pass, c.pass) << c.name << ": " << (v.failures.empty() ? v.lines.back() : v.failures[0]);
    if (!c.pass) {
      EXPECT_EQ(v.failures.size(), 1u) << c.name;
      if (!v.failures.empty()) {
        EXPECT_EQ(v.failures[0].rfind("LAST-RUN LINE WRONG", 0), 0u) << c.name << ": " << v.failures[0];
      }
    }
  }
}

// What the run leaves for the next start of Windows, and where the updater ended when the
// release's drive could not be reached, each judged after the drives.
TEST_F(MultiPackageRun, BootExecuteAndTheUnreachableDrivesBoxAreJudgedAfterTheDrives) {
  const std::vector<std::string> clean = {"autocheck autochk *"};
  const std::vector<std::string> staged = {"autocheck autochk *", "Ombrel FW.bin"};
  const struct {
    const char* name;
    std::vector<std::string> after;
    bool unreachableDue;
    bool atBox;
    int exitCode;
    const char* failure;  // null: the run passes
  } cases[] = {
      {"BootExecute as before", clean, false, false, 0, nullptr},
      {"the flasher left in BootExecute", staged, false, false, 0,
       "BootExecute left as \"autocheck autochk *\" \"Ombrel FW.bin\": every start of Windows runs it"},
      {"BootExecute emptied", {}, false, false, 0, "BootExecute left as: every start of Windows runs it"},
      {"unreachable drive named, 1603", clean, true, true, 1603, nullptr},
      {"unreachable drive, ended elsewhere", clean, true, false, 1603,
       "the updater ended with \"the window was shown\" and exit code 1603, not at the box naming the drive it "
       "can't reach with exit code 1603"},
      {"unreachable drive named, exit 0", clean, true, true, 0,
       "the updater ended with \"the window was shown\" and exit code 0, not at the box naming the drive it "
       "can't reach with exit code 1603"},
      {"no unreachable drive due, ended elsewhere", clean, false, false, 1, nullptr},
  };
  for (const auto& c : cases) {
    VerdictInput in = input_;
    in.bootExecuteBefore = clean;
    in.bootExecuteAfter = c.after;
    in.unreachableDriveDue = c.unreachableDue;
    in.endedAtUnreachableDrive = c.atBox;
    in.updaterEnd = "the window was shown";
    in.updaterExitCode = c.exitCode;
    const Verdict v = JudgeRun(in);
    EXPECT_EQ(v.pass, c.failure == nullptr) << c.name;
    if (c.failure == nullptr) continue;
    ASSERT_EQ(v.failures.size(), 1u) << c.name;
    EXPECT_EQ(v.failures[0], c.failure) << c.name;
    EXPECT_EQ(v.lines.back(), c.failure) << c.name;  // after every drive's line
    EXPECT_EQ(v.lines.size(), input_.drives.size() + 1) << c.name;
  }
}

// What the release promises, each fact in its order: a fault first, then the updater's own
// refusals, then whether a drive of the release answers at all.
TEST(ReleasePromise, TheFirstFactThatHoldsDecides) {
  const auto facts = [](std::initializer_list<bool PromiseFacts::*> set) {
    PromiseFacts f;
    for (auto field : set) f.*field = true;
    return f;
  };
  using F = PromiseFacts;
  const struct {
    const char* name;
    PromiseFacts facts;
    Promise promise;
    const char* reasonStart;
  } cases[] = {
      {"an eligible drive", facts({&F::anyEligible}), Promise::Update, "every drive the flasher may flash"},
      {"a fault, all else as well", facts({&F::fault, &F::lowBatteryRefused, &F::commandLineRefused, &F::xpBeforeSp2}),
       Promise::KeepWhole, "a fault struck"},
      {"low battery over a refused command line", facts({&F::lowBatteryRefused, &F::commandLineRefused, &F::anyEligible}),
       Promise::Untouched, "the battery is low"},
      {"refused command line", facts({&F::commandLineRefused, &F::anyEligible}), Promise::Untouched,
       "the command line was refused"},
      {"unreachable, none eligible, on XP before SP2", facts({&F::anyUnreachable, &F::xpBeforeSp2}), Promise::Untouched,
       "the release's drive can't be reached"},
      {"unreachable, yet another eligible", facts({&F::anyUnreachable, &F::anyEligible}), Promise::Update,
       "every drive the flasher may flash"},
      {"XP before SP2 with an eligible drive", facts({&F::xpBeforeSp2, &F::anyEligible}), Promise::Untouched,
       "32-bit Windows XP before Service Pack 2"},
      {"nothing eligible", facts({}), Promise::Untouched, "no drive of this machine that answers is eligible"},
  };
  for (const auto& c : cases) {
    const PromiseOfRun p = PromiseOf(c.facts);
    EXPECT_EQ(p.promise, c.promise) << c.name;
    EXPECT_EQ(p.reason.rfind(c.reasonStart, 0), 0u) << c.name << ": " << p.reason;
  }
}

// A later restart after a finished run must change nothing the next start would act on.
TEST(LaterRestart, OnlyWhatTheNextStartActsOnCounts) {
  const MachineState before{{{"VRDC", "VRDC-4", false, {"VRDC"}}, {"HN02", "HN02", false, {}}},
                            {"autocheck autochk *"},
                            {std::vector<std::uint8_t>{1, 2, 3}, std::nullopt},
                            2};
  const struct {
    const char* name;
    void (*change)(MachineState&);
    bool nothing;
  } cases[] = {
      {"the same", [](MachineState&) {}, true},
      {"commands sent, nothing taken in", [](MachineState& m) { m.drives[1].downloadSent = true; }, true},
      {"another revision", [](MachineState& m) { m.drives[0].revision = "VRDD"; }, false},
      {"another extension", [](MachineState& m) { m.drives[0].extension = "VRDC-5"; }, false},
      {"an image pending", [](MachineState& m) { m.drives[1].pendingImage = true; }, false},
      {"an image accepted", [](MachineState& m) { m.drives[1].acceptedRevisions.push_back("HN03"); }, false},
      {"a drive gone", [](MachineState& m) { m.drives.pop_back(); }, false},
      {"BootExecute", [](MachineState& m) { m.bootExecute.push_back("Ombrel FW.bin"); }, false},
      {"FW.bin rewritten", [](MachineState& m) { (*m.fwBins[0])[1] = 9; }, false},
      {"FW.bin appeared", [](MachineState& m) { m.fwBins[1] = std::vector<std::uint8_t>{}; }, false},
      {"a restart asked for", [](MachineState& m) { ++m.restarts; }, false},
  };
  for (const auto& c : cases) {
    MachineState after = before;
    c.change(after);
    EXPECT_EQ(RestartChangedNothing(before, after), c.nothing) << c.name;
  }
}

TEST(LastRunLine, ItsClaimIsReadInBothLanguages) {
  const struct {
    const char* line;
    LastRunSays says;
  } cases[] = {
      {"", LastRunSays::Nothing},
      {"Last F/W update 2026-12-08 15:03 : disk 1, VRD5 to VRDC, passed", LastRunSays::Passed},
      {"Last F/W update (date unknown) : disk 12, VRD4 to VRDC, FAILED", LastRunSays::Failed},
      {"Last F/W update (date unknown) : no disk was flashed", LastRunSays::NoneFlashed},
      {"\xA4W\xA6\xB8 : 3, VRD5 \xA8\xEC VRDC, \xA6\xA8\xA5\x5C", LastRunSays::Passed},
      {"\xA4W\xA6\xB8 : 3, VRD5 \xA8\xEC VRDC, \xA5\xA2\xB1\xD1", LastRunSays::Failed},
      {"passed, then something else", LastRunSays::Other},
  };
  for (const auto& c : cases) EXPECT_EQ(LastRunOf(c.line), c.says) << c.line;
}

}  // namespace
}  // namespace qz::demo
