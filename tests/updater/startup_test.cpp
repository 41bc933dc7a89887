// The start-up sequence on a simulated machine: every box of the table with its text, caption,
// style and MessageTitle, the close timer, the command line and the options that steer it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "startup_fixture.hpp"
#include "updater/ui_texts.hpp"

namespace qz::test {
namespace {

constexpr char kNoticeOnePoint[] =
    "This flash utility only supports VORTANIX QRX-480T9A SSD.\n\nNOTICE : \n\n"
    "1> Please close all applications before running this utility !\n"
    "2> Don't turn off the system while flash is in progress. \n"
    "\nDo you wish to continue ?";

TEST(Startup, ShippedPackageEndsAtTheDriveManager) {
  StartupRun run;
  TQuenzarMain& w = run.Run();
  EXPECT_EQ(w.End, StartupEnd::DeviceInitFailed);
  EXPECT_TRUE(run.ui.terminated);
  ASSERT_EQ(run.ui.boxes.size(), 1u);
  const sim::ShownBox& box = run.ui.boxes[0];
  EXPECT_EQ(box.text, UiText("Device object initialize failed !"));
  EXPECT_EQ(box.caption, UiText("Error ..."));
  EXPECT_EQ(box.style, mb::kIconError);
  EXPECT_FALSE(box.timerRunning);
  EXPECT_FALSE(box.closedByTimer);
  EXPECT_EQ(box.messageTitle, UiText());  // boxes wait: MessageTitle is not set
  // Shipped options: long revisions off, so the drive manager got flag 0.
  ASSERT_EQ(run.createFlags.size(), 1u);
  EXPECT_FALSE(run.createFlags[0]);
  EXPECT_EQ(run.ui.GetCaption(UiControl::Form),
            UiText("Vortan IX Quenzar Utility for Windows(v2.2.0)"));
  EXPECT_EQ(run.ui.control(UiControl::tmrCloseMsg).interval, 2000u);
  EXPECT_EQ(run.driveListBuilds, 0);
  EXPECT_TRUE(run.ui.removedMenuItems.empty());
}

TEST(Startup, EnglishCaptionsAndTheStartButton) {
  for (int m : {0, 3, 4, 5, -3}) {
    const auto mode = static_cast<std::int8_t>(m);
    StartupRun run;
    run.Mode(mode);
    run.Run();
    EXPECT_EQ(run.ui.GetCaption(UiControl::Label1), UiText("Please select target device"));
    EXPECT_EQ(run.ui.GetCaption(UiControl::lblUpdateMsg), UiText("it will be updated from"));
    EXPECT_EQ(run.ui.GetCaption(UiControl::lblTo), UiText("To"));
    EXPECT_EQ(run.ui.GetCaption(UiControl::lblMsg), UiText("Message"));
    EXPECT_EQ(run.ui.GetCaption(UiControl::cmdClose), UiText("Close"));
    const bool start = mode == 3 || mode == 5;
    EXPECT_EQ(run.ui.GetCaption(UiControl::cmdUpdate), UiText(start ? "Start" : "Update"))
        << int(mode);
  }
}

TEST(Startup, SecondLanguageUsesBig5TextsAndCaptions) {
  StartupRun run;
  run.Digit(1, '1');
  run.Mode(3);  // the button says "Update" in the second language whatever the mode
  run.AutoClose('3');
  TQuenzarMain& w = run.Run();
  const UiText errorDots(texts::big5::kErrorDots, kCodePageBig5);
  ASSERT_EQ(run.ui.boxes.size(), 1u);
  EXPECT_EQ(run.ui.boxes[0].text, UiText(texts::big5::kDeviceInitFailed, kCodePageBig5));
  EXPECT_EQ(run.ui.boxes[0].caption, errorDots);
  EXPECT_EQ(run.ui.boxes[0].messageTitle, errorDots);
  EXPECT_TRUE(run.ui.boxes[0].closedByTimer);
  EXPECT_EQ(run.ui.boxes[0].timerInterval, 3000u);
  EXPECT_EQ(w.MessageTitle, errorDots);
  EXPECT_EQ(run.ui.GetCaption(UiControl::Label1), UiText(texts::big5::kLabel1, kCodePageBig5));
  EXPECT_EQ(run.ui.GetCaption(UiControl::cmdUpdate), UiText(texts::big5::kUpdate, kCodePageBig5));
  EXPECT_EQ(run.ui.GetCaption(UiControl::cmdClose), UiText(texts::big5::kClose, kCodePageBig5));
  EXPECT_EQ(run.ui.GetCaption(UiControl::lblTo), UiText(texts::big5::kTo, kCodePageBig5));
  // The window caption comes from the package, not the language.
  EXPECT_EQ(run.ui.GetCaption(UiControl::Form).codePage, kCodePageAnsi);
}

TEST(Startup, AutoCloseTimerClosesTheBoxByItsCaption) {
  StartupRun run;
  run.AutoClose('1');
  TQuenzarMain& w = run.Run();
  ASSERT_EQ(run.ui.boxes.size(), 1u);
  EXPECT_TRUE(run.ui.boxes[0].timerRunning);
  EXPECT_EQ(run.ui.boxes[0].timerInterval, 1000u);
  EXPECT_TRUE(run.ui.boxes[0].closedByTimer);
  EXPECT_EQ(run.ui.boxes[0].messageTitle, UiText("Error ..."));
  ASSERT_EQ(run.ui.closeRequests.size(), 1u);
  EXPECT_EQ(run.ui.closeRequests[0], UiText("Error ..."));
  EXPECT_FALSE(run.ui.IsTimerEnabled(UiControl::tmrCloseMsg));  // its first tick stops it
  EXPECT_FALSE(run.ui.ranOutOfAnswers);
  EXPECT_EQ(w.End, StartupEnd::DeviceInitFailed);
}

TEST(Startup, AutoCloseWithZeroSecondsNeverTicks) {
  StartupRun run;
  run.AutoClose('0');
  run.ui.answers = {answer::kOk};
  run.Run();
  ASSERT_EQ(run.ui.boxes.size(), 1u);
  EXPECT_FALSE(run.ui.boxes[0].closedByTimer);
  EXPECT_EQ(run.ui.boxes[0].timerInterval, 0u);
}

TEST(Startup, DebugKeepsLaterBoxesOpen) {
  for (const char* option : {"/DEBUG", "/debug", "/Debug"}) {
    StartupRun run;
    run.AutoClose();
    run.ui.answers = {answer::kOk};
    run.Run({option});
    ASSERT_EQ(run.ui.boxes.size(), 1u) << option;
    EXPECT_FALSE(run.ui.boxes[0].timerRunning) << option;
    EXPECT_FALSE(run.ui.boxes[0].closedByTimer) << option;
    EXPECT_TRUE(run.ui.answers.empty()) << option;  // the user answered it
  }
}

TEST(Startup, BatteryLowOrCriticalEndsEvenWithSilentOrDebug) {
  for (int f : {2, 4}) {
    const auto flag = static_cast<std::uint8_t>(f);
    StartupRun run;
    run.Digit(19, '1');
    run.AutoClose('2');
    run.machine.power.acLineStatus = 0;
    run.machine.power.batteryFlag = flag;
    TQuenzarMain& w = run.Run({"/S", "/DEBUG"});
    EXPECT_EQ(w.End, StartupEnd::BatteryLow);
    ASSERT_EQ(run.ui.boxes.size(), 1u);
    EXPECT_EQ(run.ui.boxes[0].text,
              UiText("The electric consumption of the battery is insufficient, please use AC power !"));
    EXPECT_EQ(run.ui.boxes[0].caption, UiText("Warning"));
    EXPECT_EQ(run.ui.boxes[0].style, mb::kIconWarning | mb::kOk);
    EXPECT_EQ(run.ui.boxes[0].messageTitle, UiText("Warning"));
    // "/DEBUG" is read later: the warning still closes by itself.
    EXPECT_TRUE(run.ui.boxes[0].closedByTimer);
    EXPECT_TRUE(run.createFlags.empty());
    EXPECT_FALSE(w.Options.Silent);
  }
}

TEST(Startup, BatteryCheckPassesOtherwise) {
  struct Case { bool check; std::uint8_t ac, flag; };
  for (Case c : {Case{true, 0, 6}, Case{true, 0, 10}, Case{true, 1, 2}, Case{true, 255, 4},
                 Case{true, 0, 1}, Case{false, 0, 2}}) {
    StartupRun run;
    if (c.check) run.Digit(19, '1');
    run.machine.power.acLineStatus = c.ac;
    run.machine.power.batteryFlag = c.flag;
    run.ui.answers = {answer::kOk};
    TQuenzarMain& w = run.Run();
    EXPECT_EQ(w.End, StartupEnd::DeviceInitFailed) << int(c.ac) << " " << int(c.flag);
  }
}

TEST(Startup, SilentSuppressesErrorBoxesUnlessUnattended) {
  StartupRun run;
  TQuenzarMain& w = run.Run({"/s"});
  EXPECT_TRUE(w.Options.Silent);
  EXPECT_TRUE(w.Options.AutoUpdate);
  EXPECT_EQ(w.End, StartupEnd::DeviceInitFailed);
  EXPECT_TRUE(run.ui.boxes.empty());
  EXPECT_TRUE(run.ui.terminated);

  StartupRun unattended;
  unattended.Digit(27, '1');
  unattended.ui.answers = {answer::kOk};
  unattended.Run({"/S"});
  ASSERT_EQ(unattended.ui.boxes.size(), 1u);
  EXPECT_EQ(unattended.ui.boxes[0].text, UiText("Device object initialize failed !"));
}

TEST(Startup, UnknownArgumentEndsBeforeAnyDriveIsScanned) {
  for (const char* argument : {"/X", "-s", "C:\\missing.bin", "C:\\WINDOWS"}) {
    StartupRun run;
    run.Drives({Drive(true, true)});
    TQuenzarMain& w = run.Run({"/S", argument, "/DEBUG"});
    EXPECT_EQ(w.End, StartupEnd::BadArgument) << argument;
    EXPECT_TRUE(run.ui.terminated);
    EXPECT_TRUE(run.ui.boxes.empty());
    EXPECT_TRUE(run.createFlags.empty());
    EXPECT_TRUE(w.Options.Silent);              // arguments before it were taken
    EXPECT_FALSE(w.Options.AutoUpdate);         // step 6 never ran
  }
}

TEST(Startup, NoFirmwareInTheExecutable) {
  for (char count : {'0', '7', '9', 'x'}) {
    StartupRun run;
    run.Digit(10, count);
    run.ui.answers = {answer::kOk};
    TQuenzarMain& w = run.Run();
    EXPECT_EQ(w.End, StartupEnd::NoFirmware) << count;
    ASSERT_EQ(run.ui.boxes.size(), 1u);
    EXPECT_EQ(run.ui.boxes[0].text, UiText("No F/W in executable !"));
    EXPECT_EQ(run.ui.boxes[0].caption, UiText("Error"));
    EXPECT_EQ(run.ui.boxes[0].style, mb::kIconError | mb::kOk);
    EXPECT_TRUE(run.createFlags.empty());
  }
  StartupRun silent;
  silent.Digit(10, '0');
  silent.AutoClose();
  TQuenzarMain& w = silent.Run({"/S"});
  EXPECT_EQ(w.End, StartupEnd::NoFirmware);
  EXPECT_TRUE(silent.ui.boxes.empty());
  EXPECT_EQ(w.MessageTitle, UiText("Error"));  // the timer is armed even when no box shows
}

TEST(Startup, LongRevisionsSetTheCreateFlag) {
  struct Case { const char* min; bool flag; };
  for (Case c : {Case{"VRD!", false}, Case{" VRD! ", false}, Case{"VRDC0", true},
                 Case{"VRDC012", true}, Case{"#FLSH99", false}, Case{"  AB  ", false}}) {
    StartupRun run;
    std::fill_n(run.block.begin() + pkg::ModelEntry(0, 0), 8, 0);
    std::copy_n(c.min, std::strlen(c.min), run.block.begin() + pkg::ModelEntry(0, 0));
    run.ui.answers = {answer::kOk};
    TQuenzarMain& w = run.Run();
    EXPECT_EQ(w.Options.LongRevisions, c.flag) << c.min;
    ASSERT_EQ(run.createFlags.size(), 1u);
    EXPECT_EQ(run.createFlags[0], c.flag) << c.min;
  }
  // An eight-character revision is cut to seven before it is measured; rows 5 and 6 don't count.
  StartupRun row5;
  std::copy_n("LONGREV1", 8, row5.block.begin() + pkg::ModelEntry(4, 3));
  row5.ui.answers = {answer::kOk};
  EXPECT_FALSE(row5.Run().Options.LongRevisions);
}

TEST(Startup, RightsCheck) {
  struct Case { bool admin; std::uint32_t lastError; bool skip; StartupEnd end; };
  for (Case c : {Case{false, 0, false, StartupEnd::AccessDenied},
                 Case{true, 5, false, StartupEnd::AccessDenied},
                 Case{true, 2, false, StartupEnd::NoMatchedDrives},
                 Case{false, 0, true, StartupEnd::NoMatchedDrives},
                 Case{false, 5, true, StartupEnd::NoMatchedDrives}}) {
    StartupRun run;
    if (c.skip) run.Digit(22, '3');
    run.machine.SetAdministrator(c.admin);
    run.Drives({}, c.lastError);
    run.ui.answers = {answer::kOk};
    TQuenzarMain& w = run.Run();
    EXPECT_EQ(w.End, c.end) << c.admin << " " << c.lastError << " " << c.skip;
    ASSERT_EQ(run.ui.boxes.size(), 1u);
    if (c.end == StartupEnd::AccessDenied) {
      EXPECT_EQ(run.ui.boxes[0].text,
                UiText("Access denied ! You must have administrator privilege to flash SSD."));
      EXPECT_EQ(run.ui.boxes[0].caption, UiText("Error ..."));
      EXPECT_EQ(run.ui.boxes[0].style, mb::kIconError);
      EXPECT_EQ(run.driveListBuilds, 0);
    } else {
      EXPECT_EQ(run.driveListBuilds, 1);
    }
  }
}

TEST(Startup, NoMatchedDrivesListsWhatWasDetected) {
  StartupRun run;
  run.Drives({Drive(true, false), Drive(false, true), Drive(true, false)});
  run.detectedText = " 0-0-0-0   VORTANIX QRX-480T9A      VRE1\n";
  run.AutoClose();
  TQuenzarMain& w = run.Run({"/DEBUG"});
  EXPECT_EQ(w.End, StartupEnd::NoMatchedDrives);
  ASSERT_EQ(run.ui.boxes.size(), 1u);
  EXPECT_EQ(run.ui.boxes[0].text.bytes,
            "No matched drives detected !\nDetected drives :\n"
            " 0-0-0-0   VORTANIX QRX-480T9A      VRE1\n");
  EXPECT_EQ(run.ui.boxes[0].caption, UiText("Error"));
  EXPECT_EQ(run.ui.boxes[0].style, mb::kTopmost | mb::kIconError);
  EXPECT_TRUE(run.ui.boxes[0].ownedByForm);
  EXPECT_FALSE(run.ui.boxes[0].closedByTimer);

  StartupRun zh;
  zh.Digit(1, '1');
  zh.Drives({});
  zh.ui.answers = {answer::kOk};
  zh.Run();
  ASSERT_EQ(zh.ui.boxes.size(), 1u);
  EXPECT_EQ(zh.ui.boxes[0].text,
            UiText(std::string(texts::big5::kNoMatchedDrives) + "Detected drives :\n",
                   kCodePageBig5));
}

TEST(Startup, NoMatchedDrivesIsQuietInOtherPackageModesAndSilentRuns) {
  StartupRun mode;
  mode.Mode(1);
  mode.Drives({Drive(true, false)});
  EXPECT_EQ(mode.Run().End, StartupEnd::NoMatchedDrives);
  EXPECT_TRUE(mode.ui.boxes.empty());

  StartupRun silent;
  silent.Drives({Drive(true, false)});
  EXPECT_EQ(silent.Run({"/S"}).End, StartupEnd::NoMatchedDrives);
  EXPECT_TRUE(silent.ui.boxes.empty());
  EXPECT_EQ(silent.updates, 0);
}

TEST(Startup, NoticeAskedAndAnswered) {
  StartupRun yes;
  yes.Digit(9, '1');
  yes.Drives({Drive(true, true)});
  yes.ui.answers = {answer::kYes};
  TQuenzarMain& w = yes.Run();
  ASSERT_EQ(yes.ui.boxes.size(), 1u);
  EXPECT_EQ(yes.ui.boxes[0].text, UiText(kNoticeOnePoint));
  EXPECT_EQ(yes.ui.boxes[0].caption, UiText("Warning"));
  EXPECT_EQ(yes.ui.boxes[0].style, mb::kTopmost | mb::kIconInformation | mb::kYesNo);
  EXPECT_EQ(w.End, StartupEnd::WindowShown);
  EXPECT_FALSE(yes.ui.terminated);
  EXPECT_TRUE(yes.ui.showMainForm);
  EXPECT_EQ(yes.ui.removedMenuItems, (std::vector<int>{5, 5}));
  EXPECT_EQ(yes.updates, 0);

  for (int answer : {answer::kNo, answer::kCancel}) {
    StartupRun no;
    no.Digit(9, '1');
    no.Drives({Drive(true, true)});
    no.ui.answers = {answer};
    EXPECT_EQ(no.Run().End, StartupEnd::NoticeDeclined);
    EXPECT_TRUE(no.ui.terminated);
    EXPECT_TRUE(no.ui.removedMenuItems.empty());
  }
}

TEST(Startup, NoticeWithThreePointsAndInTheSecondLanguage) {
  StartupRun run;
  run.Digit(9, '2');
  run.Drives({Drive(true, true)});
  run.ui.answers = {answer::kYes};
  run.Run();
  ASSERT_EQ(run.ui.boxes.size(), 1u);
  const std::string& text = run.ui.boxes[0].text.bytes;
  EXPECT_NE(text.find("2> Don't turn off the system while flash is in progress. \n"
                      "3> Don't remove the adapter and battery during F/W reflash processing. \n"
                      "\nDo you wish to continue ?"),
            std::string::npos);

  StartupRun zh;
  zh.Digit(1, '1');
  zh.Digit(9, '2');
  zh.Drives({Drive(true, true)});
  zh.ui.answers = {answer::kYes};
  zh.Run();
  ASSERT_EQ(zh.ui.boxes.size(), 1u);
  using namespace texts::big5;
  EXPECT_EQ(zh.ui.boxes[0].text,
            UiText(std::string(kNoticeHead) + "VORTANIX QRX-480T9A" + kNoticeModelTail +
                       kNoticeTitle + kNotice1 + kNotice2 + kNotice3 + kNoticeQuestion,
                   kCodePageBig5));
  EXPECT_EQ(zh.ui.boxes[0].caption, UiText("Warning"));
}

TEST(Startup, AutoClosedNoticeHasOnlyOkAndCountsAsAccepted) {
  StartupRun run;
  run.Digit(9, '1');
  run.AutoClose('1');
  run.Drives({Drive(true, true)});
  TQuenzarMain& w = run.Run();
  ASSERT_EQ(run.ui.boxes.size(), 1u);
  EXPECT_EQ(run.ui.boxes[0].style, mb::kTopmost | mb::kIconInformation | mb::kOk);
  EXPECT_TRUE(run.ui.boxes[0].closedByTimer);
  EXPECT_EQ(run.ui.boxes[0].messageTitle, UiText("Warning"));
  EXPECT_FALSE(run.ui.IsTimerEnabled(UiControl::tmrCloseMsg));
  EXPECT_EQ(w.End, StartupEnd::WindowShown);
  EXPECT_FALSE(run.ui.ranOutOfAnswers);
}

TEST(Startup, NoticeOnlyInPackageModeZeroAndNotSilenced) {
  StartupRun mode;
  mode.Digit(9, '1');
  mode.Mode(5);
  mode.Drives({Drive(true, true)});
  EXPECT_EQ(mode.Run().End, StartupEnd::WindowShown);
  EXPECT_TRUE(mode.ui.boxes.empty());

  StartupRun silent;
  silent.Digit(9, '2');
  silent.Drives({Drive(true, true)});
  silent.ui.answers = {answer::kYes};
  TQuenzarMain& w = silent.Run({"/S"});
  EXPECT_EQ(silent.ui.boxes.size(), 1u);
  EXPECT_EQ(w.End, StartupEnd::UpdateRun);
  EXPECT_FALSE(silent.ui.showMainForm);
  EXPECT_EQ(silent.updates, 1);
}

TEST(Startup, UnattendedRunHidesTheWindowAndUpdatesAtOnce) {
  StartupRun run;
  run.Digit(27, '1');
  run.Digit(9, '1');
  run.Drives({Drive(true, false), Drive(true, true)});
  run.ui.answers = {answer::kYes};
  TQuenzarMain& w = run.Run();
  EXPECT_EQ(run.ui.boxes.size(), 1u);  // start-up messages still appear
  EXPECT_EQ(w.End, StartupEnd::UpdateRun);
  EXPECT_FALSE(run.ui.showMainForm);
  EXPECT_EQ(run.updates, 1);
  EXPECT_FALSE(w.Options.AutoUpdate);
  EXPECT_EQ(run.ui.removedMenuItems, (std::vector<int>{5, 5}));
}

TEST(Startup, AbsentSlotsAreSkippedWhenCounting) {
  StartupRun run;
  DriveRecord notPresentButFlagged = Drive(true, true);
  notPresentButFlagged.Present = 2;  // only 1 counts
  run.Drives({Drive(false, true), notPresentButFlagged});
  EXPECT_EQ(run.Run().End, StartupEnd::NoMatchedDrives);
}

TEST(MainWindow, DestroyReleasesTheDriveManagerAndHidesTheWindow) {
  StartupRun run;
  run.Drives({Drive(true, true)});
  TQuenzarMain& w = run.Run();
  ASSERT_NE(w.Drives, nullptr);
  w.FormDestroy();
  EXPECT_EQ(w.Drives, nullptr);
  EXPECT_EQ(run.ui.hideAnimations, (std::vector<std::uint32_t>{120}));
}

TEST(MainWindow, ItemImageFollowsEligibility) {
  StartupRun run;
  run.Drives({Drive(true, false), Drive(true, true)});
  TQuenzarMain& w = run.Run();
  w.ItemToDrive[0] = 1;
  w.ItemToDrive[1] = 0;
  EXPECT_EQ(w.ItemImage(UiControl::cboDrives, 0), 1);
  EXPECT_EQ(w.ItemImage(UiControl::cboDrives, 1), 0);
  w.ItemToDrive[2] = 7;  // no such drive
  EXPECT_EQ(w.ItemImage(UiControl::cboDrives, 2), 0);
  EXPECT_EQ(w.ItemImage(UiControl::cboDrives, 16), 0);
}

}  // namespace
}  // namespace qz::test
