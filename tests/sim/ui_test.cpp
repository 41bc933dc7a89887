// The simulated window: scripted answers, and a close timer that behaves as it would inside a
// real modal box (closes only the box with its caption; a Yes/No box ignores WM_CLOSE).
#include <gtest/gtest.h>

#include "sim/machine/ui.hpp"

namespace qz::sim {
namespace {

// Closes the box whose caption it was given, like the main window's timer handler.
class Closer final : public UiEvents {
 public:
  Closer(SimUi& ui, UiText caption) : ui_(ui), caption_(std::move(caption)) {}
  void OnTimer(UiControl) override {
    ui_.SetTimerEnabled(UiControl::tmrCloseMsg, false);
    ui_.CloseWindowByCaption(caption_);
  }
  void OnShow() override {}
  void OnDestroy() override {}
  void OnChange(UiControl) override {}
  void OnClick(UiControl) override {}
  int ItemImage(UiControl, int) override { return 0; }

 private:
  SimUi& ui_;
  UiText caption_;
};

TEST(SimUi, AnswersFromTheScriptInOrder) {
  SimUi ui;
  ui.answers = {answer::kYes, answer::kNo};
  EXPECT_EQ(ui.MessageBox("a", "Q", mb::kYesNo, true), answer::kYes);
  EXPECT_EQ(ui.MessageBox("b", "Q", mb::kYesNo, false), answer::kNo);
  EXPECT_FALSE(ui.ranOutOfAnswers);
  EXPECT_EQ(ui.MessageBox("c", "Q", mb::kOk, false), answer::kCancel);
  EXPECT_TRUE(ui.ranOutOfAnswers);
  ASSERT_EQ(ui.boxes.size(), 3u);
  EXPECT_EQ(ui.boxes[1].text, UiText("b"));
  EXPECT_FALSE(ui.boxes[1].ownedByForm);
}

TEST(SimUi, TimerClosesOnlyTheBoxWithItsCaption) {
  SimUi ui;
  Closer closer(ui, "Warning");
  ui.SetEvents(&closer);
  ui.SetTimerInterval(UiControl::tmrCloseMsg, 1000);

  ui.SetTimerEnabled(UiControl::tmrCloseMsg, true);
  EXPECT_EQ(ui.MessageBox("t", "Warning", mb::kOk, true), answer::kCancel);
  EXPECT_TRUE(ui.boxes.back().closedByTimer);
  EXPECT_FALSE(ui.IsTimerEnabled(UiControl::tmrCloseMsg));

  ui.answers = {answer::kOk};
  ui.SetTimerEnabled(UiControl::tmrCloseMsg, true);
  EXPECT_EQ(ui.MessageBox("t", "Error", mb::kOk, true), answer::kOk);
  EXPECT_FALSE(ui.boxes.back().closedByTimer);

  ui.answers = {answer::kNo};
  ui.SetTimerEnabled(UiControl::tmrCloseMsg, true);
  EXPECT_EQ(ui.MessageBox("t", "Warning", mb::kYesNo, true), answer::kNo);
  EXPECT_FALSE(ui.boxes.back().closedByTimer);

  ui.answers = {answer::kOk};
  ui.SetTimerInterval(UiControl::tmrCloseMsg, 0);
  ui.SetTimerEnabled(UiControl::tmrCloseMsg, true);
  EXPECT_EQ(ui.MessageBox("t", "Warning", mb::kOk, true), answer::kOk);
  EXPECT_TRUE(ui.IsTimerEnabled(UiControl::tmrCloseMsg));  // never ticked
}

TEST(SimUi, ControlsKeepTheirState) {
  SimUi ui;
  ui.SetCaption(UiControl::lblTo, "abc");
  EXPECT_EQ(ui.GetBounds(UiControl::lblTo).width, 21);
  EXPECT_EQ(ui.AddItem(UiControl::cboDrives, "x"), 0);
  EXPECT_EQ(ui.AddItem(UiControl::cboDrives, "y"), 1);
  ui.SetItemIndex(UiControl::cboDrives, 1);
  EXPECT_EQ(ui.GetItemIndex(UiControl::cboDrives), 1);
  ui.SetItemIndex(UiControl::cboDrives, 5);
  EXPECT_EQ(ui.GetItemIndex(UiControl::cboDrives), -1);
  ui.ClearItems(UiControl::cboDrives);
  EXPECT_EQ(ui.GetItemCount(UiControl::cboDrives), 0);
  EXPECT_FALSE(ui.IsVisible(UiControl::lblFWExt));
  EXPECT_EQ(ui.GetFontColor(UiControl::lblNewFW), 33023u);
}

}  // namespace
}  // namespace qz::sim
