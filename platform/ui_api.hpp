#pragma once
// The user-interface family of the seam: the main window's controls, its drop-down list,
// modal message boxes, timers and the end of the program. The real window (updater/win32/)
// and the simulated one (sim/machine/ui.hpp) implement it; the window's logic never touches either.
//
// Text crosses this seam as 8-bit bytes tagged with the code page they are in, so that texts
// of the second language (Big5, code page 950) show correctly whatever the system's ANSI code
// page is. ASCII is valid in both.
#include <cstdint>
#include <string>
#include <utility>

namespace qz {

struct DrawRect;
class DrawCanvas;

inline constexpr std::uint32_t kCodePageAnsi = 0;  // CP_ACP: the system's ANSI code page
inline constexpr std::uint32_t kCodePageBig5 = 950;

struct UiText {
  std::string bytes;
  std::uint32_t codePage = kCodePageAnsi;

  UiText() = default;
  UiText(std::string text, std::uint32_t page = kCodePageAnsi)  // NOLINT: plain text converts
      : bytes(std::move(text)), codePage(page) {}
  UiText(const char* text) : bytes(text) {}  // NOLINT
  bool operator==(const UiText&) const = default;
};

// The main window and its controls, named as the window's code names them.
enum class UiControl {
  Form,          // the window itself: its caption is the title bar
  Image1,        // banner
  Label1,
  cboDrives,     // owner-drawn fixed-height drop-down list, item height 32
  lblUpdateMsg,
  lblOldFW,
  lblTo,
  lblNewFW,
  lblFWExt,      // hidden: extension text of the package
  cmdUpdate,
  lblMsg,        // hidden message label
  cmdClose,      // hidden close button
  tmrCloseMsg,   // timer: closes a start-up message box by its caption
  lblLastRun,    // hidden until start-up has a last boot-time run to show, under the version line
};

struct UiRect {
  int left = 0, top = 0, width = 0, height = 0;
  bool operator==(const UiRect&) const = default;
};

// Message box styles and answers: the MessageBox values.
namespace mb {
inline constexpr std::uint32_t kOk = 0x0;
inline constexpr std::uint32_t kYesNo = 0x4;
inline constexpr std::uint32_t kIconError = 0x10;
inline constexpr std::uint32_t kIconQuestion = 0x20;
inline constexpr std::uint32_t kIconWarning = 0x30;
inline constexpr std::uint32_t kIconInformation = 0x40;
inline constexpr std::uint32_t kTopmost = 0x40000;
}  // namespace mb
namespace answer {
inline constexpr int kOk = 1;
inline constexpr int kCancel = 2;
inline constexpr int kYes = 6;
inline constexpr int kNo = 7;
}  // namespace answer

// RGB as a COLORREF (0x00BBGGRR).
constexpr std::uint32_t Rgb(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  return static_cast<std::uint32_t>(r) | (static_cast<std::uint32_t>(g) << 8) |
         (static_cast<std::uint32_t>(b) << 16);
}

// What the window reports to its logic. Called on the GUI thread, also from inside a modal
// message box's own message loop (timers).
class UiEvents {
 public:
  virtual ~UiEvents() = default;
  virtual void OnTimer(UiControl timer) = 0;
  virtual void OnShow() = 0;       // each time the window is shown
  virtual void OnDestroy() = 0;    // the window is about to be destroyed
  virtual void OnChange(UiControl list) = 0;
  virtual void OnClick(UiControl button) = 0;
  // Icon of ImageList2 for item `item` of `list` while drawing it: 0 or 1.
  virtual int ItemImage(UiControl list, int item) = 0;
  // Owner drawing of item `item` of `list` in `rect` on `canvas` (declared in draw_api.hpp).
  // False: the window draws a plain item itself.
  virtual bool DrawItem(UiControl /*list*/, int /*item*/, const DrawRect& /*rect*/,
                        bool /*selected*/, DrawCanvas& /*canvas*/) {
    return false;
  }
};

class UiApi {
 public:
  virtual ~UiApi() = default;

  virtual void SetEvents(UiEvents* events) = 0;

  // Controls. Labels size themselves to their caption; GetBounds reports the result.
  virtual void SetCaption(UiControl control, const UiText& text) = 0;
  virtual UiText GetCaption(UiControl control) = 0;
  virtual void SetVisible(UiControl control, bool visible) = 0;
  virtual bool IsVisible(UiControl control) = 0;
  virtual void SetEnabled(UiControl control, bool enabled) = 0;
  virtual bool IsEnabled(UiControl control) = 0;
  virtual void SetFontColor(UiControl control, std::uint32_t colorRef) = 0;
  virtual std::uint32_t GetFontColor(UiControl control) = 0;
  virtual UiRect GetBounds(UiControl control) = 0;
  virtual void SetPosition(UiControl control, int left, int top) = 0;
  // A control's size; for the form its client area, which stays centred on the screen.
  virtual void SetSize(UiControl control, int width, int height) = 0;

  // Lists. Items are indexed from 0; an index of -1 means no selection.
  virtual void ClearItems(UiControl list) = 0;
  virtual int AddItem(UiControl list, const UiText& text) = 0;  // returns the new index
  virtual int GetItemCount(UiControl list) = 0;
  virtual UiText GetItem(UiControl list, int index) = 0;
  virtual int GetItemIndex(UiControl list) = 0;
  virtual void SetItemIndex(UiControl list, int index) = 0;

  // A modal message box (styles in mb::); returns the answer (answer::). `ownedByForm`: the
  // main window is its owner, otherwise it has none.
  virtual int MessageBox(const UiText& text, const UiText& caption, std::uint32_t style,
                         bool ownedByForm) = 0;

  // Timers (UiControl::tmrCloseMsg): interval in milliseconds; enabling starts counting anew.
  virtual void SetTimerInterval(UiControl timer, std::uint32_t milliseconds) = 0;
  virtual void SetTimerEnabled(UiControl timer, bool enabled) = 0;
  virtual bool IsTimerEnabled(UiControl timer) = 0;

  // Sends WM_CLOSE to the top-level window whose caption is `caption` (FindWindow with no
  // class); false when there is none.
  virtual bool CloseWindowByCaption(const UiText& caption) = 0;

  // The main window's system menu: removes the entry at `position`.
  virtual void RemoveSystemMenuItem(int position) = 0;
  // Hides the main window with an animation collapsing it toward its centre.
  virtual void HideAnimated(std::uint32_t milliseconds) = 0;

  // The application: whether the main window is shown when the message loop starts, and the
  // request to end the program (the loop ends; nothing more is shown).
  virtual void SetShowMainForm(bool show) = 0;
  virtual void Terminate() = 0;
  virtual bool Terminated() = 0;
};

}  // namespace qz
