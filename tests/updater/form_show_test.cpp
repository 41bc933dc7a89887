// The version line's layout: each label 10 pixels after the one before, centred on the
// message label's middle with both halves truncated.
#include <gtest/gtest.h>

#include "startup_fixture.hpp"

namespace qz::test {
namespace {

TQuenzarMain& ShownWindow(StartupRun& run) {
  run.Drives({Drive(true, true)});
  TQuenzarMain& w = run.Run();
  EXPECT_EQ(w.End, StartupEnd::WindowShown);
  return w;
}

TEST(FormShow, LaysOutTheVersionLine) {
  StartupRun run;
  TQuenzarMain& w = ShownWindow(run);
  run.ui.SetSize(UiControl::lblUpdateMsg, 131, 15);  // middle 148 + 7
  run.ui.SetSize(UiControl::lblOldFW, 33, 16);
  run.ui.SetSize(UiControl::lblTo, 12, 13);
  run.ui.SetSize(UiControl::lblNewFW, 40, 18);
  w.FormShow();
  EXPECT_EQ(run.ui.GetBounds(UiControl::lblOldFW), (UiRect{11 + 131 + 10, 155 - 8, 33, 16}));
  EXPECT_EQ(run.ui.GetBounds(UiControl::lblTo), (UiRect{152 + 33 + 10, 155 - 6, 12, 13}));
  EXPECT_EQ(run.ui.GetBounds(UiControl::lblNewFW), (UiRect{195 + 12 + 10, 155 - 9, 40, 18}));
  EXPECT_EQ(run.updates, 0);
}

TEST(FormShow, FollowsTheCaptionWidths) {
  StartupRun run;
  TQuenzarMain& w = ShownWindow(run);
  // The simulated labels are 7 pixels a character: "it will be updated from" is 23.
  w.FormShow();
  EXPECT_EQ(run.ui.GetBounds(UiControl::lblOldFW).left, 11 + 23 * 7 + 10);
  EXPECT_EQ(run.ui.GetBounds(UiControl::lblTo).left, 11 + 23 * 7 + 10 + 4 * 7 + 10);
}

TEST(FormShow, NegativeMiddleTruncatesTowardZero) {
  StartupRun run;
  TQuenzarMain& w = ShownWindow(run);
  run.ui.SetPosition(UiControl::lblUpdateMsg, 0, -20);
  run.ui.SetSize(UiControl::lblUpdateMsg, 10, 3);   // 3 / 2 = 1
  run.ui.SetSize(UiControl::lblOldFW, 10, 5);       // 5 / 2 = 2
  w.FormShow();
  EXPECT_EQ(run.ui.GetBounds(UiControl::lblOldFW).top, -20 + 1 - 2);
}

TEST(FormShow, AutoUpdateRunsTheUpdateCommand) {
  StartupRun run;
  run.Digit(7, '1');
  TQuenzarMain& w = ShownWindow(run);
  EXPECT_EQ(run.updates, 0);  // not during start-up: when the window is shown
  w.OnShow();
  EXPECT_EQ(run.updates, 1);
}

TEST(FormShow, UpdateButtonRunsTheCommandAndTimerTickClosesByTitle) {
  StartupRun run;
  TQuenzarMain& w = ShownWindow(run);
  w.OnClick(UiControl::cmdUpdate);
  EXPECT_EQ(run.updates, 1);
  w.MessageTitle = UiText("Warning");
  run.ui.SetTimerEnabled(UiControl::tmrCloseMsg, true);
  w.OnTimer(UiControl::tmrCloseMsg);
  EXPECT_FALSE(run.ui.IsTimerEnabled(UiControl::tmrCloseMsg));
  EXPECT_EQ(run.ui.closeRequests, (std::vector<UiText>{UiText("Warning")}));
}

}  // namespace
}  // namespace qz::test
