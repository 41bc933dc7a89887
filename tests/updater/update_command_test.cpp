// The update command on simulated machines: what it writes where, which copy helper runs, what
// the user is told and asked, and that no failure is ever reported as a staged update.
#include <gtest/gtest.h>

#include <algorithm>

#include "bootflash/firmware_cipher.hpp"
#include "sim/os/ferry_launcher.hpp"
#include "staging/firmware_transform.hpp"
#include "updater/fast_startup.hpp"
#include "updater/update_texts.hpp"
#include "update_rig.hpp"

namespace qz::test {
namespace {

using sim::Windows;

const std::string kSys32 = "C:\\WINDOWS\\system32\\";
const std::string kWow64 = "C:\\WINDOWS\\SysWOW64\\";
const std::string kSessionManager = "SYSTEM\\CurrentControlSet\\Control\\Session Manager";

// FW.bin as it must come out for package n: its image enciphered with the updater's transform.
std::vector<std::uint8_t> ExpectedFwBin(UpdateRig& rig, int n = 1) {
  const Bytes image = rig.Block().Image(n);
  std::vector<std::uint8_t> copy(image.begin(), image.end());
  copy.resize(bootflash::ProcessedLength(image.size()));
  std::copy_n(image.data() + image.size(), 16, copy.begin() + static_cast<std::ptrdiff_t>(image.size()));
  staging::TransformFirmware(copy.data(), image.size(), false);
  copy.resize(image.size());
  return copy;
}

bool Contains(const std::vector<std::uint8_t>& data, const std::string& text) {
  return std::search(data.begin(), data.end(), text.begin(), text.end()) != data.end();
}

bool ListsFlasher(const std::optional<std::vector<std::string>>& list) {
  return list && std::find(list->begin(), list->end(), "Ombrel FW.bin") != list->end();
}

const std::string kPowerKey = kSessionManager + "\\Power";

// A staging failure shown with its code: no program of the update is left, started or restarted.
void ExpectStageFailedLeavingNothing(UpdateRig& rig, TQuenzarMain& w, const char* code, const std::string& name) {
  SCOPED_TRACE(name);
  EXPECT_EQ(rig.outcome.end, UpdateEnd::StageFailed);
  ASSERT_EQ(rig.ui.boxes.size(), 1u);
  EXPECT_EQ(rig.ui.boxes[0].text.bytes, "[" + std::string(code) + "] Fail to write UPDATE files into system !\n");
  EXPECT_EQ(w.ExitCode, 1603);
  for (const auto& dir : {kSys32, kWow64}) {
    for (const char* f : {"Ombrel.exe", "Ferryman.exe"}) EXPECT_FALSE(rig.machine.files.Exists(dir + f)) << dir << f;
  }
  EXPECT_TRUE(rig.machine.launches.empty());
  EXPECT_TRUE(rig.machine.restarts.empty());
}

TEST(UpdateCommand, Windows7x64StagesCopiesAndRestarts) {
  UpdateRig rig(Windows::Win7X64);
  // Windows 7 has no fast startup, whatever the value says.
  rig.machine.registry.SetDword(hkey::kLocalMachine, kPowerKey, "HiberbootEnabled", 1);
  int helperRuns = 0;
  ferry::RunCopyHelperOnLaunch(rig.machine, &helperRuns);
  const auto expected = ExpectedFwBin(rig);
  TQuenzarMain& w = rig.Start({MakeDrive(kShippedModel, "VRD5")});
  rig.ui.answers = {answer::kOk, answer::kYes};
  w.OnClick(UiControl::cmdUpdate);

  EXPECT_EQ(rig.outcome.end, UpdateEnd::RestartRequested);
  EXPECT_EQ(rig.outcome.stageResult, 1u);
  EXPECT_EQ(rig.outcome.identity, kShippedModel);
  EXPECT_EQ(rig.machine.files.Get(kWow64 + "FW.bin"), expected);
  EXPECT_EQ(rig.machine.files.Get(kSys32 + "FW.bin"), expected);
  const auto flasher = rig.machine.files.Get(kSys32 + "Ombrel.exe");
  ASSERT_TRUE(flasher);
  EXPECT_EQ((*flasher)[kStandInTagAt], 0xAA) << "the Windows 7 x64 build";
  EXPECT_TRUE(Contains(*flasher, "VENDID1=" + kShippedModel));
  EXPECT_TRUE(Contains(*flasher, "_____FW=VRDC"));
  EXPECT_TRUE(Contains(*flasher, "_FW_EXT=VRDC-4"));
  EXPECT_TRUE(Contains(*flasher, "UPDATEBOOT=1"));
  EXPECT_TRUE(Contains(*flasher, "DRIVECOUNT=0001"));
  // The staged drive's revision, its 8 bytes as IDENTIFY gave them: here NUL after "VRD5".
  EXPECT_TRUE(Contains(*flasher, std::string("KEY=VRD5\0\0\0\0    ", 16)));
  EXPECT_EQ(rig.machine.files.Get(kWow64 + "Ombrel.exe"), flasher);

  const auto helper = rig.machine.files.Get(kWow64 + "Ferryman.exe");
  ASSERT_TRUE(helper);
  EXPECT_EQ(helper->size(), 7680u);
  EXPECT_EQ(helper->front(), 0xC1);
  ASSERT_EQ(rig.machine.launches.size(), 1u);
  EXPECT_EQ(rig.machine.launches[0].verb, "open");
  EXPECT_EQ(rig.machine.launches[0].file, "cmd.exe");
  EXPECT_EQ(rig.machine.launches[0].parameters, "/c C:\\WINDOWS\\SysWOW64\\Ferryman.exe");
  EXPECT_EQ(rig.machine.launches[0].show, 0);
  EXPECT_EQ(helperRuns, 1);

  const auto boot = rig.BootExecute();
  ASSERT_TRUE(boot);
  EXPECT_EQ(boot->back(), "Ombrel FW.bin");
  EXPECT_EQ(boot->front(), "autocheck autochk *");

  ASSERT_EQ(rig.ui.boxes.size(), 2u);
  EXPECT_EQ(rig.ui.boxes[0].text.bytes, texts::update::kNextReboot);
  EXPECT_EQ(rig.ui.boxes[0].caption.bytes, "Information");
  EXPECT_EQ(rig.ui.boxes[0].style, mb::kIconInformation);
  EXPECT_EQ(rig.ui.boxes[1].text.bytes, "Do you want to Reboot now ?\n");
  EXPECT_EQ(rig.ui.boxes[1].caption.bytes, "Question");
  EXPECT_EQ(rig.ui.boxes[1].style, mb::kYesNo | mb::kIconQuestion);
  EXPECT_TRUE(rig.machine.token.privileges["SeShutdownPrivilege"].enabled);
  ASSERT_EQ(rig.machine.restarts.size(), 1u);
  EXPECT_EQ(rig.machine.restarts[0].flags, 6u);
  EXPECT_TRUE(rig.ui.terminated);
  EXPECT_TRUE(rig.ui.IsEnabled(UiControl::cboDrives));
}

// Fast startup from the family and the value as Windows leaves it.
TEST(UpdateCommand, FastStartupIsOnOnlyWithTheDwordOneOnWindows8AndLater) {
  const struct {
    const char* name;
    std::uint8_t family;
    std::uint32_t type;  // reg_type::kNone: no value
    std::vector<std::uint8_t> data;
    bool on;
  } cases[] = {
      {"Windows 8, on", os_family::kWindows8, reg_type::kDword, {1, 0, 0, 0}, true},
      {"Windows 8.1, on", os_family::kWindows81, reg_type::kDword, {1, 0, 0, 0}, true},
      {"Windows 10, on", os_family::kWindows10, reg_type::kDword, {1, 0, 0, 0}, true},
      {"Windows 11, off", os_family::kWindows11, reg_type::kDword, {0, 0, 0, 0}, false},
      {"high bytes are not one", os_family::kWindows10, reg_type::kDword, {1, 0, 0, 1}, false},
      {"no value", os_family::kWindows10, reg_type::kNone, {}, false},
      {"text one", os_family::kWindows10, reg_type::kSz, {'1', 0}, false},
      {"one byte", os_family::kWindows10, reg_type::kBinary, {1}, false},
      {"Windows 7", os_family::kWindows7, reg_type::kDword, {1, 0, 0, 0}, false},
      {"unknown Windows", os_family::kUnknown, reg_type::kDword, {1, 0, 0, 0}, false},
  };
  for (const auto& c : cases) {
    UpdateRig rig(Windows::Win10X64);
    rig.machine.registry.Create(hkey::kLocalMachine, kPowerKey);
    if (c.type != reg_type::kNone) rig.machine.registry.SetValue(hkey::kLocalMachine, kPowerKey, "HiberbootEnabled", c.type, c.data);
    EXPECT_EQ(FastStartupOn(rig.api, static_cast<OsVersionCode>(c.family) << 24), c.on) << c.name;
  }
}

// The box that announces the update, with fast startup on, in the package's language.
TEST(UpdateCommand, FastStartupAddsItsLineToTheAnnouncementInThePackagesLanguage) {
  for (const char language : {'0', '1'}) {
    UpdateRig rig(Windows::Win10X86);
    rig.machine.registry.SetDword(hkey::kLocalMachine, kPowerKey, "HiberbootEnabled", 1);
    rig.Digit(1, language);
    TQuenzarMain& w = rig.Start({MakeDrive(kShippedModel, "VRD5")});
    rig.ui.answers = {answer::kOk, answer::kNo};
    w.OnClick(UiControl::cmdUpdate);
    ASSERT_EQ(rig.outcome.end, UpdateEnd::Staged) << language;
    ASSERT_EQ(rig.ui.boxes.size(), 2u);
    const bool zh = language == '1';
    EXPECT_EQ(rig.ui.boxes[0].text.bytes, std::string(texts::update::kNextReboot) +
                                              (zh ? texts::update::big5::kFastStartup : texts::update::kFastStartup));
    EXPECT_EQ(rig.ui.boxes[0].text.codePage, zh ? kCodePageBig5 : kCodePageAnsi);
  }
}

TEST(UpdateCommand, NoLeavesTheUpdateStagedWithoutRestart) {
  UpdateRig rig(Windows::Win7X64);
  ferry::RunCopyHelperOnLaunch(rig.machine);
  TQuenzarMain& w = rig.Start({MakeDrive(kShippedModel, "VRD5")});
  rig.ui.answers = {answer::kOk, answer::kNo};
  w.OnClick(UiControl::cmdUpdate);
  EXPECT_EQ(rig.outcome.end, UpdateEnd::Staged);
  EXPECT_TRUE(rig.machine.restarts.empty());
  EXPECT_TRUE(ListsFlasher(rig.BootExecute()));
  EXPECT_TRUE(rig.machine.files.Exists(kSys32 + "Ombrel.exe"));
  EXPECT_TRUE(rig.machine.files.Exists(kSys32 + "FW.bin"));
  EXPECT_TRUE(rig.ui.terminated);
}

TEST(UpdateCommand, ThirtyTwoBitWindowsWritesNoCopyHelper) {
  UpdateRig rig(Windows::Win7X86);
  const auto expected = ExpectedFwBin(rig);
  TQuenzarMain& w = rig.Start({MakeDrive(kShippedModel, "VRD5")});
  rig.ui.answers = {answer::kOk, answer::kNo};
  w.OnClick(UiControl::cmdUpdate);
  EXPECT_EQ(rig.outcome.end, UpdateEnd::Staged);
  EXPECT_TRUE(rig.machine.launches.empty());
  EXPECT_FALSE(rig.machine.files.Exists(kWow64 + "Ferryman.exe"));
  EXPECT_FALSE(rig.machine.files.Exists(kSys32 + "Ferryman.exe"));
  EXPECT_EQ(rig.machine.files.Get(kSys32 + "FW.bin"), expected);
  EXPECT_EQ((*rig.machine.files.Get(kSys32 + "Ombrel.exe"))[kStandInTagAt], 0xA9);
}

struct HelperCase {
  Windows release;
  std::size_t helperSize;
  std::uint8_t helperFill;
  std::uint8_t flasherFill;
};
void PrintTo(const HelperCase& c, std::ostream* out) {
  *out << sim::WindowsName(c.release) << ", copy helper of " << c.helperSize << " bytes";
}

class CopyHelperChoice : public ::testing::TestWithParam<HelperCase> {};

TEST_P(CopyHelperChoice, BuildByWindowsFamily) {
  const HelperCase c = GetParam();
  UpdateRig rig(c.release);
  ferry::RunCopyHelperOnLaunch(rig.machine);
  TQuenzarMain& w = rig.Start({MakeDrive(kShippedModel, "VRD5")});
  rig.ui.answers = {answer::kOk, answer::kNo};
  w.OnClick(UiControl::cmdUpdate);
  EXPECT_EQ(rig.outcome.end, UpdateEnd::Staged);
  const auto helper = rig.machine.files.Get(kWow64 + "Ferryman.exe");
  ASSERT_TRUE(helper);
  EXPECT_EQ(helper->size(), c.helperSize);
  EXPECT_EQ(helper->front(), c.helperFill);
  const auto flasher = rig.machine.files.Get(kSys32 + "Ombrel.exe");
  ASSERT_TRUE(flasher);
  EXPECT_EQ((*flasher)[kStandInTagAt], c.flasherFill);
}

INSTANTIATE_TEST_SUITE_P(
    SixtyFourBit, CopyHelperChoice,
    ::testing::Values(HelperCase{Windows::Win7X64, 7680, 0xC1, 0xAA}, HelperCase{Windows::XpProX64, 5120, 0xC4, 0xA2},
                      HelperCase{Windows::Server2003X64, 8704, 0xC2, 0xA4},
                      HelperCase{Windows::Server2008R2, 7680, 0xC3, 0xA8},
                      HelperCase{Windows::VistaX64, 7680, 0xC3, 0xA6},
                      // Windows 8 and later take 7's copy helper and flasher.
                      HelperCase{Windows::Win8X64, 7680, 0xC1, 0xAA},
                      HelperCase{Windows::Win81X64, 7680, 0xC1, 0xAA},
                      HelperCase{Windows::Win10X64, 7680, 0xC1, 0xAA},
                      HelperCase{Windows::Win11X64, 7680, 0xC1, 0xAA}),
    [](const auto& param) { return std::string(sim::WindowsName(param.param.release)); });

TEST(UpdateCommand, FwBinThatCannotBeCreatedStopsEverything) {
  UpdateRig rig(Windows::Win7X64);
  rig.machine.files.FailCreate(kWow64 + "FW.bin");
  const auto before = rig.BootExecute();
  TQuenzarMain& w = rig.Start({MakeDrive(kShippedModel, "VRD5")});
  w.OnClick(UiControl::cmdUpdate);
  EXPECT_EQ(rig.outcome.end, UpdateEnd::FwWriteFailed);
  ASSERT_EQ(rig.ui.boxes.size(), 1u);
  EXPECT_EQ(rig.ui.boxes[0].text.bytes, "Fail to write FW files into system !\n");
  EXPECT_EQ(rig.ui.boxes[0].caption.bytes, "Error");
  EXPECT_EQ(rig.ui.boxes[0].style, mb::kIconError);
  EXPECT_FALSE(rig.machine.files.Exists(kWow64 + "Ombrel.exe"));
  EXPECT_EQ(rig.BootExecute(), before);
  EXPECT_TRUE(rig.machine.restarts.empty());
  EXPECT_TRUE(rig.ui.terminated);
}

TEST(UpdateCommand, FullDiskLeavesNoPartialFwBin) {
  UpdateRig rig(Windows::Win7X86);
  rig.machine.files.SetCapacity(rig.machine.files.UsedBytes() + 1000);
  TQuenzarMain& w = rig.Start({MakeDrive(kShippedModel, "VRD5")});
  w.OnClick(UiControl::cmdUpdate);
  EXPECT_EQ(rig.outcome.end, UpdateEnd::FwWriteFailed);
  EXPECT_FALSE(rig.machine.files.Exists(kSys32 + "FW.bin"));
}

TEST(UpdateCommand, StagingFailuresShowTheirCodeAndNothingIsReportedStaged) {
  {
    UpdateRig rig(Windows::Win7X64);
    rig.machine.files.FailCreate(kWow64 + "Ombrel.exe");
    TQuenzarMain& w = rig.Start({MakeDrive(kShippedModel, "VRD5")});
    w.OnClick(UiControl::cmdUpdate);
    EXPECT_EQ(rig.outcome.end, UpdateEnd::StageFailed);
    ASSERT_EQ(rig.ui.boxes.size(), 1u);
    EXPECT_EQ(rig.ui.boxes[0].text.bytes, "[0xE1] Fail to write UPDATE files into system !\n");
    EXPECT_EQ(rig.ui.boxes[0].caption.bytes, "Error");
    EXPECT_TRUE(rig.machine.launches.empty());
  }
  {
    UpdateRig rig(Windows::Win7X64);
    rig.machine.registry.FailOpen(hkey::kLocalMachine, kSessionManager);
    TQuenzarMain& w = rig.Start({MakeDrive(kShippedModel, "VRD5")});
    w.OnClick(UiControl::cmdUpdate);
    EXPECT_EQ(rig.outcome.end, UpdateEnd::StageFailed);
    ASSERT_EQ(rig.ui.boxes.size(), 1u);
    EXPECT_EQ(rig.ui.boxes[0].text.bytes, "[0x0] Fail to write UPDATE files into system !\n");
    EXPECT_TRUE(rig.machine.restarts.empty());
  }
  for (Windows release : {Windows::Win7X64, Windows::Win10X64}) {
    // A security product undoes the new list while the write reports success.
    UpdateRig rig(release);
    ferry::RunCopyHelperOnLaunch(rig.machine);
    rig.machine.registry.SetMultiString(hkey::kLocalMachine, kSessionManager, "BootExecute",
                                        {"autocheck autochk /q /v *"});
    rig.machine.registry.RevertWrites(hkey::kLocalMachine, kSessionManager, "BootExecute");
    TQuenzarMain& w = rig.Start({MakeDrive(kShippedModel, "VRD5")});
    w.OnClick(UiControl::cmdUpdate);
    ExpectStageFailedLeavingNothing(rig, w, "0xE2", sim::WindowsName(release));
    EXPECT_EQ(rig.BootExecute(), (std::vector<std::string>{"autocheck autochk /q /v *"}));
  }
}

// A revision of NUL bytes and blanks only can't tell the drive from its twins at boot: the
// command shows the staging failure before it writes anything.
TEST(UpdateCommand, ADriveWithoutARevisionOfItsOwnIsNotStaged) {
  const struct {
    const char* name;
    std::string revision;
  } cases[] = {
      {"empty", std::string(8, '\0')},
      {"all blanks", std::string(8, ' ')},
      {"NUL bytes and blanks", std::string("\0 \0 \0 \0 ", 8)},
      {"blanks, then NUL bytes", std::string("  \0\0\0\0\0\0", 8)},
  };
  for (const auto& c : cases) {
    UpdateRig rig(Windows::Win7X64);
    ferry::RunCopyHelperOnLaunch(rig.machine);
    rig.Entry(0, 0, "", "", kShippedModel);  // the table admits any revision of the model
    DriveRecord drive = MakeDrive(kShippedModel, "");
    std::copy(c.revision.begin(), c.revision.end(), drive.FirmwareRevision.begin());
    TQuenzarMain& w = rig.Start({drive});
    w.OnClick(UiControl::cmdUpdate);
    ExpectStageFailedLeavingNothing(rig, w, "0xE3", c.name);
    EXPECT_FALSE(rig.machine.files.Exists(kSys32 + "FW.bin") || rig.machine.files.Exists(kWow64 + "FW.bin")) << c.name;
    EXPECT_FALSE(ListsFlasher(rig.BootExecute())) << c.name;
  }
}

// An exception after staging began (here from the box that announces the update): the flasher
// is taken off BootExecute and the run fails; when that can't be done it still waits for the
// next start, and the exit code says a restart is due.
TEST(UpdateCommand, AnExceptionAfterStagingNeverLeavesAFailureStaged) {
  const struct {
    const char* name;
    bool registryFailsAfterStaging;
    UpdateEnd end;
    int exitCode;
    bool staged;
  } cases[] = {
      {"taken back", false, UpdateEnd::Unstaged, 1603, false},
      {"can't be taken back", true, UpdateEnd::Staged, 3010, true},
  };
  for (const auto& c : cases) {
    UpdateRig rig(Windows::Win7X86);
    TQuenzarMain& w = rig.Start({MakeDrive(kShippedModel, "VRD5")});
    rig.ui.answerer = [&](const sim::ShownBox& box) -> int {
      if (box.text.bytes != texts::update::kNextReboot) return answer::kOk;
      EXPECT_TRUE(ListsFlasher(rig.BootExecute())) << c.name;
      if (c.registryFailsAfterStaging) rig.machine.registry.FailOpen(hkey::kLocalMachine, kSessionManager);
      throw std::bad_alloc();
    };
    w.OnClick(UiControl::cmdUpdate);
    EXPECT_EQ(rig.outcome.end, c.end) << c.name;
    EXPECT_EQ(w.ExitCode, c.exitCode) << c.name;
    EXPECT_EQ(ListsFlasher(rig.BootExecute()), c.staged) << c.name;
    EXPECT_TRUE(rig.machine.restarts.empty()) << c.name;
    EXPECT_TRUE(rig.ui.terminated) << c.name;
  }
}

TEST(UpdateCommand, ImageLengthNotAMultipleOf16IsRefusedBeforeWriting) {
  UpdateRig rig(Windows::Win7X86);
  rig.Block().SetImageSizeValue(1, 262143);
  TQuenzarMain& w = rig.Start({MakeDrive(kShippedModel, "VRD5")});
  w.OnClick(UiControl::cmdUpdate);
  EXPECT_EQ(rig.outcome.end, UpdateEnd::ImageRefused);
  ASSERT_EQ(rig.ui.boxes.size(), 1u);
  EXPECT_EQ(rig.ui.boxes[0].text.bytes, texts::update::kImageRefused);
  EXPECT_FALSE(rig.machine.files.Exists(kSys32 + "FW.bin"));
  EXPECT_FALSE(rig.machine.files.Exists(kSys32 + "Ombrel.exe"));
}

// The copy helper's failures on 64-bit Windows: the user hears that nothing was staged, no
// restart is offered, and BootExecute lists only what it listed before.
class CopyFailure : public ::testing::Test {
 protected:
  void Run() {
    rig.machine.registry.SetMultiString(hkey::kLocalMachine, kSessionManager, "BootExecute",
                                        {"autocheck autochk *", "autocheck autochk /p \\??\\D:"});
    TQuenzarMain& w = rig.Start({MakeDrive(kShippedModel, "VRD5")});
    w.OnClick(UiControl::cmdUpdate);
    EXPECT_EQ(rig.outcome.end, UpdateEnd::CopyFailed);
    ASSERT_EQ(rig.ui.boxes.size(), 1u);
    EXPECT_EQ(rig.ui.boxes[0].text.bytes, texts::update::kNot64BitStaged);
    EXPECT_EQ(rig.ui.boxes[0].caption.bytes, "Error");
    EXPECT_EQ(rig.BootExecute(),
              (std::vector<std::string>{"autocheck autochk *", "autocheck autochk /p \\??\\D:"}));
    EXPECT_TRUE(rig.machine.restarts.empty());
    EXPECT_TRUE(rig.ui.terminated);
  }
  UpdateRig rig{Windows::Win7X64};
};

TEST_F(CopyFailure, HelperThatNeverEnds) {
  ferry::RunCopyHelperOnLaunch(rig.machine);
  rig.machine.launchOutcome.hangs = true;
  const std::uint32_t before = rig.machine.clock.TickCount();
  Run();
  EXPECT_GE(rig.machine.clock.TickCount() - before, kCopyHelperWaitMs);
}

TEST_F(CopyFailure, HelperThatNeverRan) { Run(); }

TEST_F(CopyFailure, FirmwareCopyThatCannotBeWritten) {
  ferry::RunCopyHelperOnLaunch(rig.machine);
  rig.machine.files.FailCreate(kSys32 + "FW.bin");
  Run();
  EXPECT_TRUE(rig.machine.files.Exists(kSys32 + "Ombrel.exe"));
}

TEST_F(CopyFailure, HelperThatCannotBeWritten) {
  ferry::RunCopyHelperOnLaunch(rig.machine);
  rig.machine.files.FailCreate(kWow64 + "Ferryman.exe");
  Run();
  EXPECT_TRUE(rig.machine.launches.empty());
}

TEST_F(CopyFailure, StaleCopiesFromAnEarlierRunDoNotCount) {
  // A helper that "succeeds" without copying leaves last run's files in place.
  rig.machine.files.Put(kSys32 + "Ombrel.exe", std::vector<std::uint8_t>(4096, 0xAA));
  rig.machine.files.Put(kSys32 + "FW.bin", std::vector<std::uint8_t>(262144, 0));
  Run();
}

// Two packages: the drive of the first item takes package 1, the selected (last) item's drive
// package 2.
class TwoPackages : public ::testing::Test {
 protected:
  TwoPackages() {
    rig.Digit(10, '2');
    rig.Entry(1, 0, "", "", "OTHER DRIVE 120G");
    PackageBlock b = rig.Block();
    b.SetImageStartValue(2, 262144);
    b.SetImageSizeValue(2, 262144);
    std::fill_n(b.Image(2).data(), 262144, 0x5A);
    rig.Text(pkg::NewFwRecord(2) + pkg::kTextKeySize, "OTH9");
    rig.Text(pkg::FwExtRecord(2) + pkg::kTextKeySize, "OTH9-1");
    ferry::RunCopyHelperOnLaunch(rig.machine);
  }
  UpdateRig rig{Windows::Win7X64};
};

TEST_F(TwoPackages, AutoUpdateStagesTheFirstEligibleDriveWithItsOwnPackage) {
  const auto expected = ExpectedFwBin(rig, 1);
  rig.ui.answers = {answer::kOk, answer::kNo};
  TQuenzarMain& w = rig.Start({MakeDrive(kShippedModel, "VRD5"), MakeDrive("OTHER DRIVE 120G", "1.02", 1)}, {"/S"});
  EXPECT_EQ(w.End, StartupEnd::UpdateRun);
  EXPECT_EQ(w.SelectedPackage, 1) << "the selected item is the last eligible one";
  EXPECT_EQ(rig.outcome.end, UpdateEnd::Staged);
  EXPECT_EQ(rig.outcome.identity, kShippedModel);
  EXPECT_EQ(rig.outcome.package, 0);
  EXPECT_EQ(rig.machine.files.Get(kSys32 + "FW.bin"), expected);
  const auto flasher = rig.machine.files.Get(kSys32 + "Ombrel.exe");
  ASSERT_TRUE(flasher);
  EXPECT_TRUE(Contains(*flasher, "_____FW=VRDC"));
  EXPECT_EQ(rig.drives->selects.back(), 0);
}

TEST_F(TwoPackages, ClickStagesTheSelectedDriveWithItsPackage) {
  const auto expected = ExpectedFwBin(rig, 2);
  TQuenzarMain& w = rig.Start({MakeDrive(kShippedModel, "VRD5"), MakeDrive("OTHER DRIVE 120G", "1.02", 1)});
  rig.ui.answers = {answer::kOk, answer::kNo};
  w.OnClick(UiControl::cmdUpdate);
  EXPECT_EQ(rig.outcome.package, 1);
  EXPECT_EQ(rig.outcome.identity, "OTHER DR        IVE 120G");
  EXPECT_EQ(rig.machine.files.Get(kSys32 + "FW.bin"), expected);
  const auto flasher = rig.machine.files.Get(kSys32 + "Ombrel.exe");
  ASSERT_TRUE(flasher);
  EXPECT_TRUE(Contains(*flasher, "_____FW=OTH9"));
  EXPECT_TRUE(Contains(*flasher, "_FW_EXT=OTH9-1"));
}

TEST(UpdateCommand, AutoUpdateTakesTheFirstEligibleInListOrder) {
  UpdateRig rig(Windows::Win7X86);
  rig.Digit(7, '1');
  rig.Digit(12, '0');
  TQuenzarMain& w = rig.Start({MakeDrive("OTHER DRIVE 120G", "1.02"), MakeDrive(kShippedModel, "VRD5", 1),
                               MakeDrive(kShippedModel, "VRD6", 2), MakeDrive(kShippedModel, "VRD7", 3)});
  EXPECT_EQ(rig.ui.GetItemIndex(UiControl::cboDrives), 3);
  rig.ui.answers = {answer::kOk, answer::kNo};
  w.FormShow();
  EXPECT_EQ(rig.outcome.end, UpdateEnd::Staged);
  EXPECT_EQ(rig.drives->selects.back(), 1);
}

TEST(UpdateCommand, IneligibleSelectionWritesNothing) {
  UpdateRig rig(Windows::Win7X86);
  rig.Digit(12, '0');
  TQuenzarMain& w = rig.Start({MakeDrive("OTHER DRIVE 120G", "1.02"), MakeDrive(kShippedModel, "VRD5", 1)});
  rig.Choose(0);
  w.OnClick(UiControl::cmdUpdate);
  EXPECT_EQ(rig.outcome.end, UpdateEnd::NoDrive);
  EXPECT_FALSE(rig.machine.files.Exists(kSys32 + "FW.bin"));
  EXPECT_TRUE(rig.ui.terminated);
  // The error box was shown: for deployment tools that is a failure, not "nothing needed".
  EXPECT_EQ(w.ExitCode, 1603);
}

TEST(UpdateCommand, IdentityIsHeadAndTailRightAligned) {
  EXPECT_EQ(DriveIdentity(MakeDrive(kShippedModel, "")), kShippedModel);
  DriveRecord shortModel = MakeDrive("", "");
  shortModel.ModelHead = {'A', 'B', 'C'};
  shortModel.ModelTail = {'D', 'E', 'F'};
  EXPECT_EQ(DriveIdentity(shortModel), "     ABC             DEF");
}

TEST(FlasherImageTable, FixedOrderOfSlotsWithTheirSizes) {
  UpdateRig rig;
  PackageBlock b = rig.Block();
  const FlasherImageTable table = BuildFlasherImageTable(b);
  const int slots[10] = {7, 8, 9, 10, 5, 6, 3, 4, 1, 2};
  for (int i = 0; i < 10; ++i) {
    EXPECT_EQ(table[static_cast<std::size_t>(i)].start, b.FlasherSlot(slots[i]).data()) << i;
    EXPECT_EQ(table[static_cast<std::size_t>(i)].length, 4096u) << i;
  }
  // A size past the slot is no build at all.
  PackageBlock::WriteDecimal10(b.bytes().subspan(pkg::SizeRecordValue(0), pkg::kNumberDigits), 262145);
  EXPECT_EQ(BuildFlasherImageTable(b)[8].length, 0u);
}

}  // namespace
}  // namespace qz::test
