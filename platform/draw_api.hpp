#pragma once
// Drawing on a control's surface, for the owner-drawn drive list: solid rectangles, the two
// icons of the drive image list and text. The real window draws with GDI; tests record calls.
#include <cstdint>
#include <optional>

#include "platform/ui_api.hpp"

namespace qz {

// Edges in pixels: right and bottom are exclusive, as in a Windows RECT.
struct DrawRect {
  int left = 0, top = 0, right = 0, bottom = 0;
  bool operator==(const DrawRect&) const = default;
};

class DrawCanvas {
 public:
  virtual ~DrawCanvas() = default;
  virtual void FillRect(const DrawRect& rect, std::uint32_t colorRef) = 0;
  // Icon `image` (0 or 1) of the drive image list, 30 x 30, with its top-left corner at x, y.
  virtual void DrawImage(int image, int x, int y) = 0;
  // Text with its top-left corner at x, y; over `background` or, when there is none,
  // transparent.
  virtual void PaintText(int x, int y, const UiText& text, std::uint32_t textColor,
                        std::optional<std::uint32_t> background) = 0;
};

}  // namespace qz
