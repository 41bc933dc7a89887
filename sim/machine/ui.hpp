#pragma once
// A simulated main window: it keeps every control's state, records every message box, answers
// boxes from a script and runs the close timer the way a modal box's message loop would.
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/ui_api.hpp"

namespace qz::sim {

struct ShownBox {
  UiText text;
  UiText caption;
  std::uint32_t style = 0;
  bool ownedByForm = false;
  UiText messageTitle;       // what the probe reported while the box was up
  bool timerRunning = false; // the close timer was counting when the box appeared
  std::uint32_t timerInterval = 0;
  bool closedByTimer = false;
  int answer = 0;
};

struct SimControl {
  UiText caption;
  bool visible = true;
  bool enabled = true;
  std::uint32_t fontColor = 0;
  UiRect bounds;
  bool autoSize = false;  // labels size themselves to their caption
  std::vector<UiText> items;
  int itemIndex = -1;
  std::uint32_t interval = 0;  // timers
};

class SimUi final : public UiApi {
 public:
  // Controls at the places of the window's layout; labels 7 pixels a character, 16 high.
  SimUi();

  // Answers for the boxes that the timer does not close, in order. A box with no answer
  // left is a test failure: it would wait for ever. It is answered with `unanswered`.
  std::deque<int> answers;
  int unanswered = answer::kCancel;
  // When set, answers every box the timer does not close instead of `answers`.
  std::function<int(const ShownBox&)> answerer;
  bool ranOutOfAnswers = false;
  // Reads the window's MessageTitle while a box is up (optional); gets the events sink.
  std::function<UiText(UiEvents*)> messageTitleProbe;

  std::vector<ShownBox> boxes;
  std::vector<int> removedMenuItems;
  std::vector<UiText> closeRequests;  // captions the timer looked for
  bool showMainForm = true;
  bool terminated = false;
  std::vector<std::uint32_t> hideAnimations;

  SimControl& control(UiControl c) { return controls_[c]; }

  void SetEvents(UiEvents* events) override { events_ = events; }
  void SetCaption(UiControl control, const UiText& text) override;
  UiText GetCaption(UiControl control) override { return controls_[control].caption; }
  void SetVisible(UiControl control, bool visible) override { controls_[control].visible = visible; }
  bool IsVisible(UiControl control) override { return controls_[control].visible; }
  void SetEnabled(UiControl control, bool enabled) override { controls_[control].enabled = enabled; }
  bool IsEnabled(UiControl control) override { return controls_[control].enabled; }
  void SetFontColor(UiControl control, std::uint32_t colorRef) override {
    controls_[control].fontColor = colorRef;
  }
  std::uint32_t GetFontColor(UiControl control) override { return controls_[control].fontColor; }
  UiRect GetBounds(UiControl control) override { return controls_[control].bounds; }
  void SetPosition(UiControl control, int left, int top) override;
  // Fixes the size: a label no longer sizes itself to its caption.
  void SetSize(UiControl control, int width, int height) override;

  void ClearItems(UiControl list) override;
  int AddItem(UiControl list, const UiText& text) override;
  int GetItemCount(UiControl list) override;
  UiText GetItem(UiControl list, int index) override;
  int GetItemIndex(UiControl list) override { return controls_[list].itemIndex; }
  void SetItemIndex(UiControl list, int index) override;

  int MessageBox(const UiText& text, const UiText& caption, std::uint32_t style,
                 bool ownedByForm) override;

  void SetTimerInterval(UiControl timer, std::uint32_t milliseconds) override;
  void SetTimerEnabled(UiControl timer, bool enabled) override;
  bool IsTimerEnabled(UiControl timer) override { return timersEnabled_[timer]; }
  bool CloseWindowByCaption(const UiText& caption) override;

  void RemoveSystemMenuItem(int position) override { removedMenuItems.push_back(position); }
  void HideAnimated(std::uint32_t milliseconds) override { hideAnimations.push_back(milliseconds); }
  void SetShowMainForm(bool show) override { showMainForm = show; }
  void Terminate() override { terminated = true; }
  bool Terminated() override { return terminated; }

 private:
  std::map<UiControl, SimControl> controls_;
  std::map<UiControl, bool> timersEnabled_;
  UiEvents* events_ = nullptr;
  ShownBox* open_ = nullptr;  // the box on screen
};

}  // namespace qz::sim
