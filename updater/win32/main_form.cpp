#include "updater/win32/main_form.hpp"

#include "updater/win32/artwork.hpp"
#include "updater/win32/gdi_canvas.hpp"
#include "platform/draw_api.hpp"

namespace qz {

namespace {

constexpr wchar_t kFormClass[] = L"TQuenzarMain";
constexpr int kClientWidth = 449, kClientHeight = 184;
constexpr int kItemHeight = 32;
constexpr UINT_PTR kCloseTimerId = 1;

int ControlId(UiControl control) { return 100 + static_cast<int>(control); }

HFONT MakeFont(int height, int weight) {
  return CreateFontW(-height, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                     OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH,
                     L"Tahoma");
}

}  // namespace

std::wstring Widen(const UiText& text) {
  if (text.bytes.empty()) return {};
  const int length = static_cast<int>(text.bytes.size());
  UINT page = text.codePage == kCodePageAnsi ? CP_ACP : text.codePage;
  int needed = MultiByteToWideChar(page, 0, text.bytes.data(), length, nullptr, 0);
  if (needed <= 0) {
    // A code page the system lacks: the ANSI reading is better than nothing.
    page = CP_ACP;
    needed = MultiByteToWideChar(page, 0, text.bytes.data(), length, nullptr, 0);
    if (needed <= 0) return {};
  }
  std::wstring wide(static_cast<std::size_t>(needed), L'\0');
  MultiByteToWideChar(page, 0, text.bytes.data(), length, wide.data(), needed);
  return wide;
}

Win32Ui::Win32Ui(HINSTANCE instance) : instance_(instance) {
  INITCOMMONCONTROLSEX common{sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&common);

  background_ = GetSysColorBrush(COLOR_BTNFACE);
  WNDCLASSEXW cls{};
  cls.cbSize = sizeof cls;
  cls.lpfnWndProc = FormProc;
  cls.hInstance = instance_;
  cls.hCursor = LoadCursor(nullptr, IDC_ARROW);
  cls.hIcon = LoadIcon(nullptr, IDI_APPLICATION);
  cls.hbrBackground = background_;
  cls.lpszClassName = kFormClass;
  RegisterClassExW(&cls);

  // A fixed dialog border with a system menu, always on top, centred on the screen.
  const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
  const DWORD exStyle = WS_EX_DLGMODALFRAME | WS_EX_TOPMOST;
  RECT frame{0, 0, kClientWidth, kClientHeight};
  AdjustWindowRectEx(&frame, style, FALSE, exStyle);
  const int width = frame.right - frame.left, height = frame.bottom - frame.top;
  const int left = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
  const int top = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
  form_ = CreateWindowExW(exStyle, kFormClass, L"", style, left, top, width, height, nullptr,
                          nullptr, instance_, this);
  windows_[UiControl::Form] = form_;

  font_ = MakeFont(13, FW_NORMAL);
  boldFont_ = MakeFont(13, FW_BOLD);
  buttonFont_ = MakeFont(12, FW_BOLD);
  images_ = MakeDriveIcons();
  CreateControls();
}

Win32Ui::~Win32Ui() {
  if (form_ != nullptr) {
    KillTimer(form_, kCloseTimerId);
    DestroyWindow(form_);
  }
  if (images_ != nullptr) ImageList_Destroy(images_);
  for (HGDIOBJ object : {static_cast<HGDIOBJ>(font_), static_cast<HGDIOBJ>(boldFont_),
                         static_cast<HGDIOBJ>(buttonFont_), static_cast<HGDIOBJ>(banner_)}) {
    if (object != nullptr) DeleteObject(object);
  }
}

HWND Win32Ui::Add(UiControl control, const wchar_t* cls, DWORD style, int left, int top,
                  int width, int height, HFONT font) {
  HWND window = CreateWindowExW(0, cls, L"", WS_CHILD | style, left, top, width, height, form_,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(ControlId(control))),
                                instance_, nullptr);
  if (font != nullptr) SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  windows_[control] = window;
  colors_[control] = RGB(0, 0, 0);
  return window;
}

void Win32Ui::CreateControls() {
  HWND image = Add(UiControl::Image1, L"STATIC", WS_VISIBLE | SS_BITMAP, 0, 0, kClientWidth, 65,
                   nullptr);
  banner_ = MakeBanner(kClientWidth, 65);
  SendMessageW(image, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(banner_));

  const DWORD label = WS_VISIBLE | SS_LEFT | SS_NOPREFIX;
  Add(UiControl::Label1, L"STATIC", label, 12, 72, 0, 0, font_);
  HWND list = Add(UiControl::cboDrives, L"COMBOBOX",
                  WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED |
                      CBS_HASSTRINGS,
                  8, 96, 433, 8 * kItemHeight, font_);
  SendMessageW(list, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), kItemHeight);
  SendMessageW(list, CB_SETITEMHEIGHT, 0, kItemHeight);
  Add(UiControl::lblUpdateMsg, L"STATIC", label, 11, 148, 0, 0, font_);
  Add(UiControl::lblOldFW, L"STATIC", label, 155, 148, 0, 0, boldFont_);
  Add(UiControl::lblTo, L"STATIC", label, 198, 148, 0, 0, font_);
  Add(UiControl::lblNewFW, L"STATIC", label, 220, 148, 0, 0, boldFont_);
  Add(UiControl::lblFWExt, L"STATIC", SS_LEFT | SS_NOPREFIX, 352, 72, 0, 0, font_);
  Add(UiControl::cmdUpdate, L"BUTTON", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 368, 144, 73, 33,
      buttonFont_);
  // The hidden message label and close button: captions only, never shown.
  Add(UiControl::lblMsg, L"STATIC", SS_LEFT | SS_NOPREFIX, 12, 190, 0, 0, font_);
  Add(UiControl::cmdClose, L"BUTTON", BS_PUSHBUTTON, 288, 144, 73, 33, buttonFont_);
  // The last boot-time run: below the version line and the button, shown (with the form grown
  // by one line) only when start-up has one to tell.
  Add(UiControl::lblLastRun, L"STATIC", SS_LEFT | SS_NOPREFIX, 11, 182, 0, 0, font_);

  colors_[UiControl::lblOldFW] = RGB(0, 0, 128);  // navy
  colors_[UiControl::lblNewFW] = 33023;           // orange
  SetCaption(UiControl::Label1, "Please select target device :");
  SetCaption(UiControl::lblUpdateMsg, "It will be updated from");
  SetCaption(UiControl::lblOldFW, "XXXX");
  SetCaption(UiControl::lblTo, "to");
  SetCaption(UiControl::lblNewFW, "XXXX");
  SetCaption(UiControl::cmdUpdate, "Update");
}

void Win32Ui::FitToCaption(UiControl control) {
  HWND window = windows_[control];
  const std::wstring text = Widen(captions_[control]);
  HDC dc = GetDC(window);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(window, WM_GETFONT, 0, 0)));
  SIZE size{0, 0};
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);
  if (!text.empty()) GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
  SelectObject(dc, old);
  ReleaseDC(window, dc);
  SetWindowPos(window, nullptr, 0, 0, size.cx, metrics.tmHeight,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32Ui::SetCaption(UiControl control, const UiText& text) {
  captions_[control] = text;
  HWND window = windows_[control];
  if (window == nullptr) return;
  SetWindowTextW(window, Widen(text).c_str());
  switch (control) {
    case UiControl::Label1: case UiControl::lblUpdateMsg: case UiControl::lblOldFW:
    case UiControl::lblTo: case UiControl::lblNewFW: case UiControl::lblFWExt:
    case UiControl::lblMsg: case UiControl::lblLastRun:
      FitToCaption(control);
      InvalidateRect(form_, nullptr, TRUE);
      break;
    default:
      break;
  }
}

void Win32Ui::SetVisible(UiControl control, bool visible) {
  if (HWND window = windows_[control]) ShowWindow(window, visible ? SW_SHOWNA : SW_HIDE);
}
bool Win32Ui::IsVisible(UiControl control) {
  HWND window = windows_[control];
  return window != nullptr && (GetWindowLongW(window, GWL_STYLE) & WS_VISIBLE) != 0;
}
void Win32Ui::SetEnabled(UiControl control, bool enabled) {
  if (HWND window = windows_[control]) EnableWindow(window, enabled ? TRUE : FALSE);
}
bool Win32Ui::IsEnabled(UiControl control) {
  HWND window = windows_[control];
  return window != nullptr && IsWindowEnabled(window);
}
void Win32Ui::SetFontColor(UiControl control, std::uint32_t colorRef) {
  colors_[control] = colorRef;
  if (HWND window = windows_[control]) InvalidateRect(window, nullptr, TRUE);
}

UiRect Win32Ui::GetBounds(UiControl control) {
  HWND window = windows_[control];
  if (window == nullptr) return {};
  RECT r;
  if (control == UiControl::Form) {
    GetClientRect(window, &r);
    return {0, 0, r.right, r.bottom};
  }
  GetWindowRect(window, &r);
  MapWindowPoints(HWND_DESKTOP, form_, reinterpret_cast<POINT*>(&r), 2);
  return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

void Win32Ui::SetPosition(UiControl control, int left, int top) {
  if (HWND window = windows_[control]) {
    SetWindowPos(window, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    InvalidateRect(form_, nullptr, TRUE);
  }
}

void Win32Ui::SetSize(UiControl control, int width, int height) {
  HWND window = windows_[control];
  if (window == nullptr) return;
  if (control == UiControl::Form) {
    RECT frame{0, 0, width, height};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongW(form_, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongW(form_, GWL_EXSTYLE)));
    const int w = frame.right - frame.left, h = frame.bottom - frame.top;
    SetWindowPos(form_, nullptr, (GetSystemMetrics(SM_CXSCREEN) - w) / 2,
                 (GetSystemMetrics(SM_CYSCREEN) - h) / 2, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
    return;
  }
  SetWindowPos(window, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  InvalidateRect(form_, nullptr, TRUE);
}

void Win32Ui::ClearItems(UiControl list) {
  items_[list].clear();
  if (HWND window = windows_[list]) SendMessageW(window, CB_RESETCONTENT, 0, 0);
}

int Win32Ui::AddItem(UiControl list, const UiText& text) {
  HWND window = windows_[list];
  if (window == nullptr) return -1;
  const LRESULT index =
      SendMessageW(window, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(text).c_str()));
  if (index < 0) return -1;
  items_[list].push_back(text);
  return static_cast<int>(index);
}

int Win32Ui::GetItemCount(UiControl list) { return static_cast<int>(items_[list].size()); }

UiText Win32Ui::GetItem(UiControl list, int index) {
  const auto& items = items_[list];
  if (index < 0 || index >= static_cast<int>(items.size())) return {};
  return items[static_cast<std::size_t>(index)];
}

int Win32Ui::GetItemIndex(UiControl list) {
  HWND window = windows_[list];
  return window == nullptr ? -1 : static_cast<int>(SendMessageW(window, CB_GETCURSEL, 0, 0));
}

void Win32Ui::SetItemIndex(UiControl list, int index) {
  if (HWND window = windows_[list]) SendMessageW(window, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

int Win32Ui::MessageBox(const UiText& text, const UiText& caption, std::uint32_t style,
                        bool ownedByForm) {
  return MessageBoxW(ownedByForm ? form_ : nullptr, Widen(text).c_str(), Widen(caption).c_str(),
                     style);
}

void Win32Ui::ApplyTimer() {
  // Like a framework timer, an interval of 0 never ticks.
  if (timerEnabled_ && timerInterval_ != 0) {
    SetTimer(form_, kCloseTimerId, timerInterval_, nullptr);
  } else {
    KillTimer(form_, kCloseTimerId);
  }
}

void Win32Ui::SetTimerInterval(UiControl, std::uint32_t milliseconds) {
  timerInterval_ = milliseconds;
  ApplyTimer();
}

void Win32Ui::SetTimerEnabled(UiControl, bool enabled) {
  timerEnabled_ = enabled;
  ApplyTimer();
}

bool Win32Ui::CloseWindowByCaption(const UiText& caption) {
  HWND window = FindWindowW(nullptr, Widen(caption).c_str());
  if (window == nullptr) return false;
  SendMessageW(window, WM_CLOSE, 0, 0);
  return true;
}

void Win32Ui::RemoveSystemMenuItem(int position) {
  DeleteMenu(GetSystemMenu(form_, FALSE), static_cast<UINT>(position), MF_BYPOSITION);
}

void Win32Ui::HideAnimated(std::uint32_t milliseconds) {
  if (IsWindowVisible(form_)) AnimateWindow(form_, milliseconds, AW_HIDE | AW_CENTER);
}

void Win32Ui::Terminate() {
  if (!terminated_) PostQuitMessage(0);
  terminated_ = true;
}

void Win32Ui::Show() {
  ShowWindow(form_, SW_SHOWNORMAL);
  UpdateWindow(form_);
  if (events_ != nullptr) events_->OnShow();
}

void Win32Ui::RunMessageLoop() {
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (IsDialogMessageW(form_, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

UiControl Win32Ui::ControlOf(HWND window) const {
  for (const auto& [control, handle] : windows_) {
    if (handle == window) return control;
  }
  return UiControl::Form;
}

void Win32Ui::DrawListItem(const DRAWITEMSTRUCT& item) {
  const int index = static_cast<int>(item.itemID);
  const bool selected = (item.itemState & ODS_SELECTED) != 0;
  const DrawRect rect{item.rcItem.left, item.rcItem.top, item.rcItem.right, item.rcItem.bottom};
  GdiCanvas canvas(item.hDC, images_);
  if (index >= 0 && events_ != nullptr &&
      events_->DrawItem(UiControl::cboDrives, index, rect, selected, canvas)) {
    return;
  }
  // No item (an empty list) or nobody to draw it: a plain background.
  canvas.FillRect({0, rect.top, rect.right, rect.bottom}, RGB(255, 255, 255));
}

LRESULT CALLBACK Win32Ui::FormProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
    auto* self = static_cast<Win32Ui*>(create->lpCreateParams);
    self->form_ = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<Win32Ui*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self == nullptr) return DefWindowProcW(window, message, wParam, lParam);
  return self->Handle(message, wParam, lParam);
}

LRESULT Win32Ui::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_TIMER:
      if (wParam == kCloseTimerId && events_ != nullptr) events_->OnTimer(UiControl::tmrCloseMsg);
      return 0;
    case WM_POWERBROADCAST:
      return 0;  // handled here, never by the default handling
    case WM_MEASUREITEM: {
      auto* measure = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
      if (measure->CtlType == ODT_COMBOBOX) measure->itemHeight = kItemHeight;
      return TRUE;
    }
    case WM_DRAWITEM: {
      auto* draw = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
      if (draw->CtlType == ODT_COMBOBOX) DrawListItem(*draw);
      return TRUE;
    }
    case WM_CTLCOLORSTATIC: {
      HDC dc = reinterpret_cast<HDC>(wParam);
      SetTextColor(dc, colors_[ControlOf(reinterpret_cast<HWND>(lParam))]);
      SetBkMode(dc, TRANSPARENT);
      return reinterpret_cast<LRESULT>(background_);
    }
    case WM_COMMAND: {
      const int id = LOWORD(wParam), code = HIWORD(wParam);
      if (events_ == nullptr) break;
      if (id == ControlId(UiControl::cmdUpdate) && code == BN_CLICKED) {
        events_->OnClick(UiControl::cmdUpdate);
      } else if (id == ControlId(UiControl::cboDrives) && code == CBN_SELCHANGE) {
        events_->OnChange(UiControl::cboDrives);
      }
      return 0;
    }
    case WM_CLOSE:
      Terminate();
      return 0;
    default:
      break;
  }
  return DefWindowProcW(form_, message, wParam, lParam);
}

}  // namespace qz
