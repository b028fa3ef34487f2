#include <algorithm>
#include <vector>

#include "platform/ui/gdi.h"
#include "platform/text.h"
#include "skin/win32/bitmap_canvas.h"
#include "skin/stack_blur.h"
#include "skin/win32/text.h"

namespace skin {

int DrawTextAuto(HDC dc, std::string_view text, RECT& rect, UINT format) {
  const std::wstring wide = platform::Widen(text);
  return ::DrawTextW(dc, wide.c_str(), static_cast<int>(wide.size()), &rect, format);
}

namespace {

SIZE CalcRect(HDC dc, const std::wstring& text) {
  RECT r{0, 0, 0, 0};
  ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, DT_CALCRECT);
  return {r.right - r.left, r.bottom - r.top};
}

}  // namespace

int MeasureTextWidth(HDC dc, std::string_view text) { return CalcRect(dc, platform::Widen(text)).cx; }
int MeasureTextHeight(HDC dc, std::string_view text) { return CalcRect(dc, platform::Widen(text)).cy; }

std::string FitTextToWidth(HDC dc, std::string_view text, int width) {
  return FitTextToWidth(text, width, [dc](std::string_view t) {
    const std::wstring wide = platform::Widen(t);
    SIZE size{};
    ::GetTextExtentPoint32W(dc, wide.c_str(), static_cast<int>(wide.size()), &size);
    return static_cast<int>(size.cx);
  });
}

std::wstring FitTextToWidth(HDC dc, std::wstring_view text, int width) {
  std::wstring result(text);
  if (CalcRect(dc, result).cx <= width) return result;
  while (!result.empty()) {
    const bool pair = result.size() >= 2 && IS_LOW_SURROGATE(result.back()) &&
                      IS_HIGH_SURROGATE(result[result.size() - 2]);
    result.resize(result.size() - (pair ? 2 : 1));
    if (result.empty() || CalcRect(dc, result + L"...").cx <= width) break;
  }
  return result + L"...";
}

int FontHeightOf(HDC dc) {
  LOGFONTW font{};
  HGDIOBJ current = ::GetCurrentObject(dc, OBJ_FONT);
  if (!current || !::GetObjectW(current, sizeof(font), &font)) return 0;
  return font.lfHeight;
}

namespace {

void DrawLine(HDC dc, std::string_view text, const RECT& rect, bool centred, bool w_rule) {
  if (text.empty()) return;
  const Rect r = TextLineRect({rect.left, rect.top, rect.right, rect.bottom}, text, FontHeightOf(dc), w_rule);
  RECT target{r.Left, r.Top, r.Right, r.Bottom};
  // Paths and file names are shown here: "&" must not turn into an underline.
  DrawTextAuto(dc, text, target, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | (centred ? DT_CENTER : DT_LEFT));
}

// A bitmap of w x h with a memory context, the font of dc, red text on a clear background.
struct RedStamp {
  TbsBitmap bitmap;
  platform::ui::UniqueMemoryDc dc = platform::ui::CompatibleDc();
  RedStamp(HDC source, int w, int h) {
    bitmap.SetSize(w, h);
    if (!bitmap.Empty() && dc) {
      selected.emplace_back(dc.get(), static_cast<HGDIOBJ>(bitmap.Surface().NativeHandle()));
      selected.emplace_back(dc.get(), ::GetCurrentObject(source, OBJ_FONT));
      ::SetBkMode(dc.get(), TRANSPARENT);
      ::SetTextColor(dc.get(), RGB(255, 0, 0));
    }
  }
  bool ok() const { return !bitmap.Empty() && dc && !selected.empty() && selected.front().ok(); }
  void Text(std::string_view text, RECT r, UINT format) { DrawTextAuto(dc.get(), text, r, format); }
  std::vector<platform::ui::ScopedSelect> selected;
};

void DrawPlainText(HDC dc, const RECT& rect, std::string_view text, UINT format) {
  const int mode = ::SetBkMode(dc, TRANSPARENT);
  RECT r = rect;
  DrawTextAuto(dc, text, r, format);
  ::SetBkMode(dc, mode);
}

}  // namespace

void DrawTextLine(HDC dc, std::string_view text, const RECT& rect, bool centred) {
  DrawLine(dc, text, rect, centred, true);
}

void DrawTextLinePlain(HDC dc, std::string_view text, const RECT& rect, bool centred) {
  DrawLine(dc, text, rect, centred, false);
}

void DrawGlowText(HDC dc, const RECT& rect, std::string_view text, int glow_size, Color glow_colour, int glow_offset,
                  UINT format) {
  glow_size = std::clamp(glow_size, 0, 254);
  const int w = rect.right - rect.left, h = rect.bottom - rect.top;
  if (w > 0 && h > 0) {
    RedStamp stamp(dc, w + 2 * glow_size, h + 2 * glow_size);
    if (stamp.ok()) {
      stamp.Text(text, {glow_size, glow_size, glow_size + w, glow_size + h}, format);
      ::GdiFlush();
      StackBlur(stamp.bitmap, glow_size);
      RedStampToGlow(stamp.bitmap, glow_colour);
      DrawTo(dc, stamp.bitmap, rect.left + glow_offset - glow_size, rect.top + glow_offset - glow_size);
    }
  }
  DrawPlainText(dc, rect, text, format);
}

void DrawSoftGlowText(HDC dc, const RECT& rect, std::string_view text, Color glow_colour, UINT format) {
  constexpr int m = 12;
  const int w = rect.right - rect.left, h = rect.bottom - rect.top;
  if (w > 0 && h > 0) {
    const int bw = w + 2 * m, bh = h + 2 * m;
    RedStamp stamp(dc, bw, bh);
    if (stamp.ok()) {
      stamp.bitmap.FillRect({m - 3, m + 2, bw - m + 3, bh - m - 2}, 0xFFFF0000u);
      static constexpr POINT kOffsets[] = {{-1, -1}, {-2, -2}, {-1, 0}, {-2, 0}, {1, 0},
                                           {2, 0},   {1, 1},   {2, 2},  {0, 0}};
      for (const POINT& o : kOffsets) stamp.Text(text, {m + o.x, m + o.y, m + o.x + w, m + o.y + h}, format);
      ::GdiFlush();
      StackBlur(stamp.bitmap, m / 2);
      StackBlur(stamp.bitmap, m / 2);
      RedStampToGlow(stamp.bitmap, glow_colour);
      DrawTo(dc, stamp.bitmap, rect.left - m, rect.top - m);
    }
  }
  DrawPlainText(dc, rect, text, format);
}

void DrawReflectedText(HDC dc, int x, int y, std::string_view text, int offset, const RECT& clip,
                       Color reflection_colour) {
  if (text.empty() || clip.right <= clip.left || clip.bottom <= clip.top) return;
  const std::wstring wide = platform::Widen(text);
  const SIZE size = CalcRect(dc, wide);
  const int saved = ::SaveDC(dc);
  ::IntersectClipRect(dc, clip.left, clip.top, clip.right, clip.bottom);
  if (size.cx > 0 && size.cy > 0) {
    RedStamp stamp(dc, size.cx, size.cy);
    if (stamp.ok()) {
      stamp.Text(text, {0, 0, size.cx, size.cy}, DT_SINGLELINE | DT_NOPREFIX);
      ::GdiFlush();
      RedStampToGlow(stamp.bitmap, reflection_colour);
      // Mirror the rows and fade them: the row next to the text at half strength, the last one
      // almost gone.
      Bitmap& s = stamp.bitmap.Surface();
      for (int top = 0, bottom = s.Height() - 1; top < bottom; ++top, --bottom)
        std::swap_ranges(s.Row(top), s.Row(top) + s.Width(), s.Row(bottom));
      for (int row = 0; row < s.Height(); ++row) {
        const uint32_t fade = static_cast<uint32_t>(128 * (s.Height() - row) / s.Height());
        uint32_t* p = s.Row(row);
        for (int i = 0; i < s.Width(); ++i) p[i] = ((p[i] >> 24) * fade / 255) << 24 | (p[i] & 0xFFFFFFu);
      }
      DrawTo(dc, stamp.bitmap, x, y + size.cy + offset);
    }
  }
  const int mode = ::SetBkMode(dc, TRANSPARENT);
  ::ExtTextOutW(dc, x, y, 0, nullptr, wide.c_str(), static_cast<UINT>(wide.size()), nullptr);
  ::SetBkMode(dc, mode);
  ::RestoreDC(dc, saved);
}

}  // namespace skin
