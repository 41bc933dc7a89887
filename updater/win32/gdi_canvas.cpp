#include "updater/win32/gdi_canvas.hpp"

#include <string>

#include "updater/win32/main_form.hpp"

namespace qz {

void GdiCanvas::FillRect(const DrawRect& rect, std::uint32_t colorRef) {
  RECT r{rect.left, rect.top, rect.right, rect.bottom};
  HBRUSH brush = CreateSolidBrush(colorRef);
  ::FillRect(dc_, &r, brush);
  DeleteObject(brush);
}

void GdiCanvas::DrawImage(int image, int x, int y) {
  if (images_ != nullptr) ImageList_Draw(images_, image, dc_, x, y, ILD_TRANSPARENT);
}

void GdiCanvas::PaintText(int x, int y, const UiText& text, std::uint32_t textColor,
                         std::optional<std::uint32_t> background) {
  const std::wstring wide = Widen(text);
  SetTextColor(dc_, textColor);
  if (background) {
    SetBkMode(dc_, OPAQUE);
    SetBkColor(dc_, *background);
  } else {
    SetBkMode(dc_, TRANSPARENT);
  }
  TextOutW(dc_, x, y, wide.c_str(), static_cast<int>(wide.size()));
}

}  // namespace qz
