#include "sim/machine/ui.hpp"

namespace qz::sim {

namespace {
constexpr int kCharWidth = 7, kLabelHeight = 16;
}

SimUi::SimUi() {
  auto place = [&](UiControl c, int left, int top, int width, int height, bool autoSize) {
    SimControl& s = controls_[c];
    s.bounds = {left, top, width, height};
    s.autoSize = autoSize;
  };
  place(UiControl::Form, 0, 0, 449, 184, false);
  place(UiControl::Image1, 0, 0, 449, 65, false);
  place(UiControl::Label1, 12, 72, 0, kLabelHeight, true);
  place(UiControl::cboDrives, 8, 96, 433, 38, false);
  place(UiControl::lblUpdateMsg, 11, 148, 0, kLabelHeight, true);
  place(UiControl::lblOldFW, 155, 148, 0, kLabelHeight, true);
  place(UiControl::lblTo, 198, 148, 0, kLabelHeight, true);
  place(UiControl::lblNewFW, 220, 148, 0, kLabelHeight, true);
  place(UiControl::lblFWExt, 352, 72, 0, kLabelHeight, true);
  place(UiControl::cmdUpdate, 368, 144, 73, 33, false);
  place(UiControl::lblMsg, 0, 0, 0, kLabelHeight, true);
  place(UiControl::cmdClose, 0, 0, 73, 33, false);
  place(UiControl::lblLastRun, 11, 182, 0, kLabelHeight, true);
  controls_[UiControl::lblLastRun].visible = false;
  controls_[UiControl::lblFWExt].visible = false;
  controls_[UiControl::lblMsg].visible = false;
  controls_[UiControl::cmdClose].visible = false;
  controls_[UiControl::Form].visible = false;
  controls_[UiControl::lblNewFW].fontColor = 33023;
  controls_[UiControl::lblOldFW].fontColor = Rgb(0, 0, 128);
  controls_[UiControl::tmrCloseMsg].interval = 2000;
  for (UiControl c : {UiControl::Label1, UiControl::lblUpdateMsg, UiControl::lblOldFW,
                      UiControl::lblTo, UiControl::lblNewFW}) {
    SetCaption(c, c == UiControl::Label1         ? "Please select target device :"
                  : c == UiControl::lblUpdateMsg ? "It will be updated from"
                  : c == UiControl::lblTo        ? "to"
                                                 : "XXXX");
  }
  SetCaption(UiControl::cmdUpdate, "Update");
}

void SimUi::SetSize(UiControl c, int width, int height) {
  controls_[c].autoSize = false;
  controls_[c].bounds.width = width;
  controls_[c].bounds.height = height;
}

void SimUi::SetCaption(UiControl control, const UiText& text) {
  SimControl& s = controls_[control];
  s.caption = text;
  if (s.autoSize) s.bounds.width = kCharWidth * static_cast<int>(text.bytes.size());
}

void SimUi::SetPosition(UiControl control, int left, int top) {
  controls_[control].bounds.left = left;
  controls_[control].bounds.top = top;
}

void SimUi::ClearItems(UiControl list) {
  controls_[list].items.clear();
  controls_[list].itemIndex = -1;
}

int SimUi::AddItem(UiControl list, const UiText& text) {
  controls_[list].items.push_back(text);
  return static_cast<int>(controls_[list].items.size()) - 1;
}

int SimUi::GetItemCount(UiControl list) { return static_cast<int>(controls_[list].items.size()); }

UiText SimUi::GetItem(UiControl list, int index) {
  const auto& items = controls_[list].items;
  if (index < 0 || index >= static_cast<int>(items.size())) return {};
  return items[static_cast<std::size_t>(index)];
}

void SimUi::SetItemIndex(UiControl list, int index) {
  // Like CB_SETCURSEL: an index past the items clears the selection.
  controls_[list].itemIndex = (index >= 0 && index < GetItemCount(list)) ? index : -1;
}

int SimUi::MessageBox(const UiText& text, const UiText& caption, std::uint32_t style,
                      bool ownedByForm) {
  boxes.push_back({text, caption, style, ownedByForm, {}, false, 0, false, 0});
  ShownBox& box = boxes.back();
  if (messageTitleProbe && events_ != nullptr) box.messageTitle = messageTitleProbe(events_);
  const SimControl& timer = controls_[UiControl::tmrCloseMsg];
  box.timerRunning = timersEnabled_[UiControl::tmrCloseMsg];
  box.timerInterval = timer.interval;

  // The box's own message loop: a running timer with an interval ticks while it waits (a
  // timer with interval 0 never does).
  open_ = &box;
  if (box.timerRunning && timer.interval != 0 && events_ != nullptr) {
    events_->OnTimer(UiControl::tmrCloseMsg);
  }
  if (!box.closedByTimer) {
    if (answerer) {
      box.answer = answerer(box);
    } else if (answers.empty()) {
      ranOutOfAnswers = true;
      box.answer = unanswered;
    } else {
      box.answer = answers.front();
      answers.pop_front();
    }
  }
  open_ = nullptr;
  return box.answer;
}

void SimUi::SetTimerInterval(UiControl timer, std::uint32_t milliseconds) {
  controls_[timer].interval = milliseconds;
}

void SimUi::SetTimerEnabled(UiControl timer, bool enabled) { timersEnabled_[timer] = enabled; }

bool SimUi::CloseWindowByCaption(const UiText& caption) {
  closeRequests.push_back(caption);
  if (open_ == nullptr || open_->caption.bytes != caption.bytes) return false;
  // A box with Yes and No but no Cancel ignores WM_CLOSE; the others end as cancelled.
  if ((open_->style & 0xF) == mb::kYesNo) return true;
  open_->closedByTimer = true;
  open_->answer = answer::kCancel;
  return true;
}

}  // namespace qz::sim
