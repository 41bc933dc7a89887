#pragma once
// The drawing seam on a GDI device context, for the owner-drawn drive list.
#include "platform/draw_api.hpp"
#include "platform/win32/windows.hpp"

#include <commctrl.h>

namespace qz {

class GdiCanvas final : public DrawCanvas {
 public:
  GdiCanvas(HDC dc, HIMAGELIST images) : dc_(dc), images_(images) {}
  void FillRect(const DrawRect& rect, std::uint32_t colorRef) override;
  void DrawImage(int image, int x, int y) override;
  void PaintText(int x, int y, const UiText& text, std::uint32_t textColor,
                std::optional<std::uint32_t> background) override;

 private:
  HDC dc_;
  HIMAGELIST images_;
};

}  // namespace qz
