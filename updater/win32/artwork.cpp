#include "updater/win32/artwork.hpp"

namespace qz {

namespace {

struct MemoryCanvas {
  MemoryCanvas(int width, int height) {
    HDC screen = GetDC(nullptr);
    dc = CreateCompatibleDC(screen);
    bitmap = CreateCompatibleBitmap(screen, width, height);
    ReleaseDC(nullptr, screen);
    old = SelectObject(dc, bitmap);
  }
  ~MemoryCanvas() {
    SelectObject(dc, old);
    DeleteDC(dc);
  }
  void Fill(const RECT& r, COLORREF colour) {
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(dc, &r, brush);
    DeleteObject(brush);
  }
  HDC dc;
  HBITMAP bitmap;
  HGDIOBJ old;
};

void Ellipse(HDC dc, int l, int t, int r, int b, COLORREF fill, COLORREF line) {
  HBRUSH brush = CreateSolidBrush(fill);
  HPEN pen = CreatePen(PS_SOLID, 2, line);
  HGDIOBJ oldBrush = SelectObject(dc, brush);
  HGDIOBJ oldPen = SelectObject(dc, pen);
  ::Ellipse(dc, l, t, r, b);
  SelectObject(dc, oldBrush);
  SelectObject(dc, oldPen);
  DeleteObject(brush);
  DeleteObject(pen);
}

void Polyline(HDC dc, const POINT* points, int count, int width, COLORREF colour) {
  HPEN pen = CreatePen(PS_SOLID, width, colour);
  HGDIOBJ old = SelectObject(dc, pen);
  ::Polyline(dc, points, count);
  SelectObject(dc, old);
  DeleteObject(pen);
}

}  // namespace

HBITMAP MakeBanner(int width, int height) {
  MemoryCanvas canvas(width, height);
  // A left-to-right blend from deep blue to teal, in 1-pixel columns.
  for (int x = 0; x < width; ++x) {
    const int r = 10 + 20 * x / width, g = 40 + 110 * x / width, b = 110 + 60 * x / width;
    canvas.Fill(RECT{x, 0, x + 1, height}, RGB(r, g, b));
  }
  canvas.Fill(RECT{0, height - 3, width, height}, RGB(255, 128, 0));
  SetBkMode(canvas.dc, TRANSPARENT);
  HFONT title = CreateFontW(-26, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                            OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                            DEFAULT_PITCH, L"Tahoma");
  HFONT small = CreateFontW(-12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                            OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                            DEFAULT_PITCH, L"Tahoma");
  HGDIOBJ old = SelectObject(canvas.dc, title);
  SetTextColor(canvas.dc, RGB(255, 255, 255));
  TextOutW(canvas.dc, 16, 8, L"Quenzar", 7);
  SelectObject(canvas.dc, small);
  SetTextColor(canvas.dc, RGB(200, 230, 255));
  const wchar_t line[] = L"SSD firmware update";
  TextOutW(canvas.dc, 18, 40, line, static_cast<int>(wcslen(line)));
  SelectObject(canvas.dc, old);
  DeleteObject(title);
  DeleteObject(small);
  return canvas.bitmap;
}

HIMAGELIST MakeDriveIcons() {
  constexpr int kSize = 30;
  constexpr COLORREF kMask = RGB(255, 0, 255);
  MemoryCanvas canvas(2 * kSize, kSize);
  canvas.Fill(RECT{0, 0, 2 * kSize, kSize}, kMask);
  // 0: grey drive with a red bar.
  Ellipse(canvas.dc, 2, 2, 28, 28, RGB(190, 190, 190), RGB(110, 110, 110));
  const POINT bar[] = {{9, 15}, {21, 15}};
  Polyline(canvas.dc, bar, 2, 4, RGB(200, 30, 30));
  // 1: green drive with a white tick.
  Ellipse(canvas.dc, kSize + 2, 2, kSize + 28, 28, RGB(40, 170, 70), RGB(20, 110, 40));
  const POINT tick[] = {{kSize + 8, 15}, {kSize + 13, 21}, {kSize + 22, 9}};
  Polyline(canvas.dc, tick, 3, 3, RGB(255, 255, 255));

  SelectObject(canvas.dc, canvas.old);
  HIMAGELIST list = ImageList_Create(kSize, kSize, ILC_COLOR24 | ILC_MASK, 2, 0);
  ImageList_AddMasked(list, canvas.bitmap, kMask);
  DeleteObject(canvas.bitmap);
  return list;
}

}  // namespace qz
