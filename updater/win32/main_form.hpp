#pragma once
// The real main window: a topmost fixed-border window with the banner, the labels, the
// owner-drawn drive list and the update button, implementing the UI seam with plain Win32.
// Every text goes through the wide-character calls, converted from the code page it carries.
#include <map>
#include <string>
#include <vector>

#include "platform/ui_api.hpp"
#include "platform/win32/windows.hpp"

#include <commctrl.h>

namespace qz {

class Win32Ui final : public UiApi {
 public:
  explicit Win32Ui(HINSTANCE instance);
  ~Win32Ui() override;
  Win32Ui(const Win32Ui&) = delete;
  Win32Ui& operator=(const Win32Ui&) = delete;

  HWND Window() const { return form_; }
  bool ShowMainForm() const { return showMainForm_; }
  // Shows the window and reports it shown.
  void Show();
  // Runs until the program is told to end.
  void RunMessageLoop();

  void SetEvents(UiEvents* events) override { events_ = events; }
  void SetCaption(UiControl control, const UiText& text) override;
  UiText GetCaption(UiControl control) override { return captions_[control]; }
  void SetVisible(UiControl control, bool visible) override;
  bool IsVisible(UiControl control) override;
  void SetEnabled(UiControl control, bool enabled) override;
  bool IsEnabled(UiControl control) override;
  void SetFontColor(UiControl control, std::uint32_t colorRef) override;
  std::uint32_t GetFontColor(UiControl control) override { return colors_[control]; }
  UiRect GetBounds(UiControl control) override;
  void SetPosition(UiControl control, int left, int top) override;
  void SetSize(UiControl control, int width, int height) override;

  void ClearItems(UiControl list) override;
  int AddItem(UiControl list, const UiText& text) override;
  int GetItemCount(UiControl list) override;
  UiText GetItem(UiControl list, int index) override;
  int GetItemIndex(UiControl list) override;
  void SetItemIndex(UiControl list, int index) override;

  int MessageBox(const UiText& text, const UiText& caption, std::uint32_t style,
                 bool ownedByForm) override;

  void SetTimerInterval(UiControl timer, std::uint32_t milliseconds) override;
  void SetTimerEnabled(UiControl timer, bool enabled) override;
  bool IsTimerEnabled(UiControl) override { return timerEnabled_; }
  bool CloseWindowByCaption(const UiText& caption) override;

  void RemoveSystemMenuItem(int position) override;
  void HideAnimated(std::uint32_t milliseconds) override;
  void SetShowMainForm(bool show) override { showMainForm_ = show; }
  void Terminate() override;
  bool Terminated() override { return terminated_; }

 private:
  static LRESULT CALLBACK FormProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
  void CreateControls();
  HWND Add(UiControl control, const wchar_t* cls, DWORD style, int left, int top, int width,
           int height, HFONT font);
  void FitToCaption(UiControl control);
  void DrawListItem(const DRAWITEMSTRUCT& item);
  void ApplyTimer();
  UiControl ControlOf(HWND window) const;

  HINSTANCE instance_;
  HWND form_ = nullptr;
  UiEvents* events_ = nullptr;
  std::map<UiControl, HWND> windows_;
  std::map<UiControl, UiText> captions_;
  std::map<UiControl, std::uint32_t> colors_;
  std::map<UiControl, std::vector<UiText>> items_;
  HFONT font_ = nullptr, boldFont_ = nullptr, buttonFont_ = nullptr;
  HBITMAP banner_ = nullptr;
  HIMAGELIST images_ = nullptr;
  HBRUSH background_ = nullptr;
  std::uint32_t timerInterval_ = 2000;
  bool timerEnabled_ = false;
  bool showMainForm_ = true;
  bool terminated_ = false;
};

// Text of the seam as UTF-16, converted from its code page.
std::wstring Widen(const UiText& text);

}  // namespace qz
