#include <initializer_list>
#include <utility>

#include "platform/ui/gdi.h"
#include "skin/win32/marks.h"

namespace skin {

namespace {

// A solid one-pixel pen of colour (and a hollow brush) selected for the lifetime of the value.
class PenScope {
 public:
  PenScope(HDC dc, Color colour, bool filled = false)
      : pen_(::CreatePen(PS_SOLID, 1, colour)),
        brush_(filled ? ::CreateSolidBrush(colour) : nullptr),
        penSelection_(dc, pen_.get()),
        brushSelection_(dc, filled ? static_cast<HGDIOBJ>(brush_.get()) : ::GetStockObject(NULL_BRUSH)) {}

 private:
  platform::ui::UniquePen pen_;
  platform::ui::UniqueBrush brush_;
  platform::ui::ScopedSelect penSelection_;
  platform::ui::ScopedSelect brushSelection_;
};

void Line(HDC dc, int x0, int y0, int x1, int y1) {
  ::MoveToEx(dc, x0, y0, nullptr);
  ::LineTo(dc, x1, y1);
}

void Lines(HDC dc, std::initializer_list<std::pair<POINT, POINT>> lines) {
  for (const auto& [from, to] : lines) Line(dc, from.x, from.y, to.x, to.y);
}

}  // namespace

void DrawBevelFrame(HDC dc, const RECT& rect, Color colour1, Color colour2) {
  const int l = rect.left, t = rect.top, r = rect.right - 1, b = rect.bottom - 1;
  {
    PenScope pen(dc, colour1);
    const POINT first[] = {{l, b}, {l, t}, {r, t}};
    ::Polyline(dc, first, 3);
  }
  PenScope pen(dc, colour2);
  const POINT second[] = {{r, t}, {r, b}, {l - 1, b}};
  ::Polyline(dc, second, 3);
}

void PaintCloseMark(HDC dc, int x, int y, Color colour) {
  PenScope pen(dc, colour);
  Lines(dc, {{{x + 1, y + 1}, {x + 9, y + 9}},
             {{x + 9, y + 1}, {x + 1, y + 9}},
             {{x + 2, y + 1}, {x + 10, y + 9}},
             {{x + 8, y + 1}, {x, y + 9}}});
}

void PaintMaximizeMark(HDC dc, int x, int y, Color colour) {
  PenScope pen(dc, colour);
  ::Rectangle(dc, x, y, x + 11, y + 10);
  ::Rectangle(dc, x, y, x + 11, y + 2);
}

void PaintMinimizeMark(HDC dc, int x, int y, Color colour) {
  PenScope pen(dc, colour);
  Lines(dc, {{{x + 1, y + 8}, {x + 9, y + 8}}, {{x + 1, y + 9}, {x + 9, y + 9}}});
}

void PaintRestoreMark(HDC dc, int x, int y, Color colour) {
  PenScope pen(dc, colour);
  ::Rectangle(dc, x + 2, y, x + 10, y + 6);
  ::Rectangle(dc, x + 2, y, x + 10, y + 2);
  ::Rectangle(dc, x, y + 4, x + 7, y + 10);
  ::Rectangle(dc, x, y + 4, x + 7, y + 6);
}

void PaintSysMenuMark(HDC dc, int x, int y, Color colour) {
  PenScope pen(dc, colour);
  ::Rectangle(dc, x + 1, y + 3, x + 9, y + 6);
}

void PaintRollUpMark(HDC dc, int x, int y, Color colour) {
  PenScope pen(dc, colour);
  for (int i = 0; i <= 4; ++i) Line(dc, x + 5 - i, y + 6 - i, x + 5 + i, y + 6 - i);
}

void PaintRollDownMark(HDC dc, int x, int y, Color colour) {
  PenScope pen(dc, colour);
  for (int i = 0; i <= 4; ++i) Line(dc, x + 1 + i, y + 6 - i, x + 9 - i, y + 6 - i);
}

void PaintTrayMark(HDC dc, int x, int y, Color colour) {
  PenScope pen(dc, colour, true);
  ::Rectangle(dc, x + 2, y + 2, x + 7, y + 7);
}

void PaintArrowMark(HDC dc, const RECT& rect, Color colour, ArrowDirection direction) {
  PenScope pen(dc, colour);
  const int cx = rect.left + (rect.right - rect.left) / 2, cy = rect.top + (rect.bottom - rect.top) / 2;
  // Four lines of 7, 5, 3 and 1 pixels from the base to the tip.
  for (int i = 0; i < 4; ++i) {
    switch (direction) {
      case ArrowDirection::kDown:
        Line(dc, cx - 3 + i, cy - 2 + i, cx + 4 - i, cy - 2 + i);
        break;
      case ArrowDirection::kUp:
        Line(dc, cx - 3 + i, cy + 1 - i, cx + 4 - i, cy + 1 - i);
        break;
      case ArrowDirection::kRight:
        Line(dc, cx - 2 + i, cy - 3 + i, cx - 2 + i, cy + 4 - i);
        break;
      case ArrowDirection::kLeft:
        Line(dc, cx + 1 - i, cy - 3 + i, cx + 1 - i, cy + 4 - i);
        break;
    }
  }
}

}  // namespace skin
