// The GDI side of the drawing core, run under Wine: regions made from masks, text fitting and
// line placement with real fonts, pen marks, and the transfers of the pixel buffers.
#include <gtest/gtest.h>

#include <windows.h>

#include "platform/text.h"
#include "skin/win32/bitmap_canvas.h"
#include "skin/win32/marks.h"
#include "skin/win32/mask_region.h"
#include "skin/win32/text.h"
#include "skin/win32/window_helpers.h"
#include "platform/ui/gdi.h"

namespace skin {
namespace {

using Rows = std::vector<std::string>;

Bitmap Mask(const Rows& rows) {
  Bitmap b(static_cast<int>(rows[0].size()), static_cast<int>(rows.size()));
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x) b.SetPixel(x, y, rows[y][x] == 'k' ? 0xFF000000u : 0xFFFFFFFFu);
  return b;
}

Rows RegionText(HRGN region, int w, int h) {
  Rows rows(h, std::string(w, '.'));
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      if (::PtInRegion(region, x, y)) rows[y][x] = 'k';
  return rows;
}

TEST(GdiRegion, FromMaskCoversExactlyTheBlackPixels) {
  const Rows mask = {"kkwk", "wkkk", "wwww", "kwwk"};
  const platform::ui::UniqueRegion region = RegionFromMask(Mask(mask));
  ASSERT_TRUE(region);
  EXPECT_EQ(RegionText(region.get(), 4, 4), (Rows{"kk.k", ".kkk", "....", "k..k"}));
  EXPECT_FALSE(RegionFromMask(Bitmap()));
  const platform::ui::UniqueRegion none = RegionFromMask(Mask({"www"}));
  ASSERT_TRUE(none);
  RECT box{};
  EXPECT_EQ(::GetRgnBox(none.get(), &box), NULLREGION);
}

TEST(GdiRegion, MoreThanTenThousandRuns) {
  Bitmap mask(202, 101);
  for (int y = 0; y < mask.Height(); ++y)
    for (int x = 0; x < mask.Width(); ++x) mask.SetPixel(x, y, (x + y) % 2 == 0 ? 0xFF000000u : 0xFFFFFFFFu);
  const platform::ui::UniqueRegion region = RegionFromMask(mask);
  ASSERT_TRUE(region);
  const DWORD size = ::GetRegionData(region.get(), 0, nullptr);
  std::vector<uint8_t> data(size);
  ASSERT_EQ(::GetRegionData(region.get(), size, reinterpret_cast<RGNDATA*>(data.data())), size);
  EXPECT_EQ(reinterpret_cast<RGNDATA*>(data.data())->rdh.nCount, 10201u);
  EXPECT_TRUE(::PtInRegion(region.get(), 200, 100));
  EXPECT_FALSE(::PtInRegion(region.get(), 201, 100));
  EXPECT_TRUE(::PtInRegion(region.get(), 201, 99));
}

TEST(GdiRegion, FrameRegionMatchesThePortableRectangles) {
  const Bitmap mask = Mask({"wkkkkw", "kkkkkk", "kkkkkk", "kkkkkk", "kkkkkk", "wkkkkw"});
  const SliceGeometry cut{{2, 2}, {4, 2}, {2, 4}, {4, 4}, {1, 1, 5, 5}};
  const SliceGeometry newCut{{2, 2}, {7, 2}, {2, 6}, {7, 6}, {1, 1, 8, 7}};
  const platform::ui::UniqueRegion region = FrameRegionFromMask(cut, newCut, mask, 9);
  ASSERT_TRUE(region);
  EXPECT_EQ(RegionText(region.get(), 10, 9), (Rows{".kkkkkkk..", "kkkkkkkkk.", "kkkkkkkkk.", "kkkkkkkkk.",
                                                   "kkkkkkkkk.", "kkkkkkkkk.", "kkkkkkkkk.", ".kkkkkkk..",
                                                   ".........."}));
  SliceGeometry inverted = newCut;
  inverted.RT.X = 1;
  EXPECT_FALSE(FrameRegionFromMask(cut, inverted, mask, 9));
}

// A white 32-bit bitmap with a memory context and a font of the given height selected.
struct TextSurface {
  Bitmap bitmap;
  BitmapCanvas canvas;
  platform::ui::UniqueFont font;
  platform::ui::ScopedSelect selection;
  TextSurface(int w, int h, int fontHeight)
      : bitmap(w, h),
        canvas(bitmap),
        font(::CreateFontW(fontHeight, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, NONANTIALIASED_QUALITY, 0,
                           L"Tahoma")),
        selection(canvas.dc(), font.get()) {
    Clear();
    ::SetBkMode(canvas.dc(), TRANSPARENT);
    ::SetTextColor(canvas.dc(), RGB(0, 0, 0));
  }
  void Clear() {
    for (int y = 0; y < bitmap.Height(); ++y)
      for (int x = 0; x < bitmap.Width(); ++x) bitmap.SetPixel(x, y, 0xFFFFFFFFu);
  }
  HDC dc() const { return canvas.dc(); }
  std::vector<uint32_t> Pixels() {
    ::GdiFlush();
    std::vector<uint32_t> p(bitmap.Pixels(), bitmap.Pixels() + bitmap.Width() * bitmap.Height());
    for (uint32_t& v : p) v &= 0x00FFFFFFu;  // GDI leaves alpha as it likes
    return p;
  }
};

TEST(GdiText, FitTextToWidthWithARealFont) {
  TextSurface s(200, 40, -13);
  ASSERT_NE(s.dc(), nullptr);
  const int dots = MeasureTextWidth(s.dc(), "...");
  ASSERT_GT(dots, 0);
  EXPECT_EQ(FitTextToWidth(s.dc(), std::string_view("Halvex UPDATE"), dots - 1), "...");
  EXPECT_EQ(FitTextToWidth(s.dc(), std::string_view("Halvex UPDATE"), 1000), "Halvex UPDATE");

  const std::string korean = "업데이트 파일을 설치하는 중입니다";
  const int full = MeasureTextWidth(s.dc(), korean);
  ASSERT_GT(full, dots);
  const std::string fitted = FitTextToWidth(s.dc(), korean, full / 2);
  ASSERT_GE(fitted.size(), 3u);
  EXPECT_EQ(fitted.substr(fitted.size() - 3), "...");
  const std::string kept = fitted.substr(0, fitted.size() - 3);
  EXPECT_TRUE(platform::IsValidUtf8(kept));
  EXPECT_EQ(korean.compare(0, kept.size(), kept), 0);
  EXPECT_LE(MeasureTextWidth(s.dc(), fitted), full / 2);
  EXPECT_GT(kept.size(), 0u);

  // Wide text is cut between characters, never inside a surrogate pair: at each candidate's own
  // width, and one pixel short of it, the result is the longest candidate that fits.
  const std::wstring text = L"a\U0001F600\U0001F600\U0001F600bc";
  const std::vector<std::wstring> candidates = {L"...", L"a...", L"a\U0001F600...", L"a\U0001F600\U0001F600...",
                                                L"a\U0001F600\U0001F600\U0001F600...",
                                                L"a\U0001F600\U0001F600\U0001F600b..."};
  auto width = [&](const std::wstring& t) { return MeasureTextWidth(s.dc(), platform::Narrow(t)); };
  for (const std::wstring& candidate : candidates) {
    for (const int limit : {width(candidate), width(candidate) - 1}) {
      std::wstring expected = candidates.front();
      for (const std::wstring& c : candidates)
        if (width(c) <= limit) expected = c;
      if (width(text) <= limit) expected = text;
      EXPECT_EQ(platform::Narrow(FitTextToWidth(s.dc(), std::wstring_view(text), limit)), platform::Narrow(expected))
          << "at width " << limit;
    }
  }
}

TEST(GdiText, MeasureTextMatchesDrawTextCalcRect) {
  TextSurface s(200, 40, -12);
  RECT r{0, 0, 0, 0};
  DrawTextAuto(s.dc(), "Line one\nLine two", r, DT_CALCRECT);
  EXPECT_EQ(MeasureTextWidth(s.dc(), "Line one\nLine two"), r.right);
  EXPECT_EQ(MeasureTextHeight(s.dc(), "Line one\nLine two"), r.bottom);
  EXPECT_GT(MeasureTextHeight(s.dc(), "Line one\nLine two"), MeasureTextHeight(s.dc(), "Line one"));
}

// DrawTextLine against DrawTextW into a rectangle moved by hand.
std::vector<uint32_t> Manual(int fontHeight, const RECT& r, UINT extra) {
  TextSurface s(120, 40, fontHeight);
  RECT target = r;
  DrawTextAuto(s.dc(), "Wage", target, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | extra);
  return s.Pixels();
}

TEST(GdiText, DrawTextLineRaisesOddFontHeightsAndWidensW) {
  const RECT rect{4, 4, 100, 24};  // height 20: moving the top by 1 moves the centred text
  for (int height : {-13, -12}) {
    TextSurface s(120, 40, height);
    EXPECT_EQ(FontHeightOf(s.dc()), height);
    DrawTextLine(s.dc(), "Wage", rect, false);
    const std::vector<uint32_t> drawn = s.Pixels();
    const bool odd = height % 2 != 0;
    EXPECT_EQ(drawn, Manual(height, {4, odd ? 3 : 4, 102, 24}, DT_LEFT)) << height;
    if (odd) {
      EXPECT_NE(drawn, Manual(height, rect, DT_LEFT)) << "the shift must show";
    }
  }
  // Centred: the W rule moves the centre by 1 pixel.
  TextSurface s(120, 40, -12);
  DrawTextLine(s.dc(), "Wage", rect, true);
  EXPECT_EQ(s.Pixels(), Manual(-12, {4, 4, 102, 24}, DT_CENTER));
  TextSurface plain(120, 40, -12);
  DrawTextLinePlain(plain.dc(), "Wage", rect, true);
  EXPECT_EQ(plain.Pixels(), Manual(-12, rect, DT_CENTER));
  TextSurface empty(120, 40, -12);
  DrawTextLine(empty.dc(), "", rect, true);
  EXPECT_EQ(empty.Pixels(), std::vector<uint32_t>(120 * 40, 0xFFFFFFu));
}

// Pixels of colour 0 on white, as text.
Rows Ink(TextSurface& s, int w, int h) {
  const std::vector<uint32_t> p = s.Pixels();
  Rows rows(h, std::string(w, '.'));
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) rows[y][x] = p[y * s.bitmap.Width() + x] == 0 ? '#' : '.';
  return rows;
}

TEST(GdiMarks, LinesEndBeforeTheirEndPoints) {
  TextSurface s(12, 12, -12);
  PaintMinimizeMark(s.dc(), 1, 0, 0);
  Rows ink = Ink(s, 12, 12);
  EXPECT_EQ(ink[8], "..########..");  // (x+1)..(x+9) exclusive
  EXPECT_EQ(ink[9], "..########..");
  EXPECT_EQ(ink[7], "............");

  s.Clear();
  PaintCloseMark(s.dc(), 0, 0, 0);
  ink = Ink(s, 12, 12);
  EXPECT_EQ(ink[1][1], '#');
  EXPECT_EQ(ink[8][8], '#');
  EXPECT_EQ(ink[8][9], '#');   // the second stroke, one to the right
  EXPECT_EQ(ink[9][9], '.');   // end points are not drawn
  EXPECT_EQ(ink[9][10], '.');
  EXPECT_EQ(ink[1][8], '#');
  EXPECT_EQ(ink[9][0], '.');

  s.Clear();
  PaintMaximizeMark(s.dc(), 0, 0, 0);
  ink = Ink(s, 12, 12);
  EXPECT_EQ(ink[0], "###########.");
  EXPECT_EQ(ink[1], "###########.");  // the thick top
  EXPECT_EQ(ink[2], "#.........#.");
  EXPECT_EQ(ink[9], "###########.");
  EXPECT_EQ(ink[10], "............");

  s.Clear();
  PaintTrayMark(s.dc(), 0, 0, 0);
  ink = Ink(s, 12, 12);
  EXPECT_EQ(ink[2], "..#####.....");
  EXPECT_EQ(ink[6], "..#####.....");
  EXPECT_EQ(ink[7], "............");
}

TEST(GdiMarks, BevelFrameColoursAndArrow) {
  TextSurface s(8, 8, -12);
  DrawBevelFrame(s.dc(), {1, 1, 6, 5}, RGB(255, 0, 0), RGB(0, 0, 255));
  const std::vector<uint32_t> p = s.Pixels();
  auto at = [&](int x, int y) { return p[y * 8 + x]; };
  EXPECT_EQ(at(1, 1), 0xFF0000u);  // pixels read 0x00RRGGBB
  EXPECT_EQ(at(4, 1), 0xFF0000u);
  EXPECT_EQ(at(5, 1), 0x0000FFu);
  EXPECT_EQ(at(5, 4), 0x0000FFu);
  EXPECT_EQ(at(1, 4), 0x0000FFu);  // the second polyline runs to Left - 1
  EXPECT_EQ(at(0, 4), 0xFFFFFFu);
  EXPECT_EQ(at(6, 1), 0xFFFFFFu);
  EXPECT_EQ(at(1, 5), 0xFFFFFFu);

  TextSurface a(9, 9, -12);
  PaintArrowMark(a.dc(), {0, 0, 9, 9}, 0, ArrowDirection::kDown);
  const Rows ink = Ink(a, 9, 9);
  EXPECT_EQ(ink[2], ".#######.");
  EXPECT_EQ(ink[3], "..#####..");
  EXPECT_EQ(ink[4], "...###...");
  EXPECT_EQ(ink[5], "....#....");
}

TEST(GdiTransfer, TbsBitmapOntoADeviceContext) {
  TbsBitmap source;
  source.SetSize(3, 1);
  source.SetPixel(0, 0, kKeyPixel);
  source.SetPixel(1, 0, 0xFF7F007Fu);
  source.SetPixel(2, 0, 0xFF112233u);
  source.Transparent = true;
  TextSurface s(4, 2, -12);
  DrawTo(s.dc(), source, 1, 1);
  std::vector<uint32_t> p = s.Pixels();
  EXPECT_EQ(p[4 + 1], 0xFFFFFFu);
  EXPECT_EQ(p[4 + 2], 0xFFFFFFu);
  EXPECT_EQ(p[4 + 3], 0x112233u);

  source.Transparent = false;
  source.AlphaBlend = true;
  source.SetPixel(0, 0, 0x80000000u);  // half black over white
  s.Clear();
  DrawTo(s.dc(), source, 0, 0);
  p = s.Pixels();
  EXPECT_EQ(p[0], 0x7E7E7Eu);  // 255 * 127 div 256
  EXPECT_EQ(p[2], 0x112233u);

  source.AlphaBlend = false;
  s.Clear();
  DrawTo(s.dc(), source, 0, 1);
  p = s.Pixels();
  EXPECT_EQ(p[4 + 1], 0x7F007Fu);

  Bitmap grey(2, 1);
  grey.SetPixel(0, 0, 0xFF404040u);
  grey.SetPixel(1, 0, 0xFF808080u);
  TbsEffectBmp effect(grey);
  effect.Invert();
  s.Clear();
  DrawTo(s.dc(), effect, 2, 1);
  p = s.Pixels();
  EXPECT_EQ(p[4 + 2], 0xBFBFBFu);
  EXPECT_EQ(p[4 + 3], 0x7F7F7Fu);
}

TEST(GdiText, GlowTextPaintsAHaloAroundTheText) {
  TextSurface s(80, 40, -13);
  const RECT rect{20, 10, 60, 30};
  DrawGlowText(s.dc(), rect, "Hi", 4, RGB(0, 200, 0), 0, DT_SINGLELINE | DT_CENTER | DT_VCENTER);
  const std::vector<uint32_t> p = s.Pixels();
  int halo = 0, outsideGlow = 0;
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 80; ++x) {
      const uint32_t v = p[y * 80 + x];
      const bool green = ((v >> 8) & 0xFF) > ((v >> 16) & 0xFF) + 10;
      const bool inGlowBox = x >= 16 && x < 64 && y >= 6 && y < 34;
      if (green && inGlowBox) ++halo;
      if (v != 0xFFFFFFu && !inGlowBox) ++outsideGlow;
    }
  EXPECT_GT(halo, 10);
  EXPECT_EQ(outsideGlow, 0);

  TextSurface soft(100, 60, -13);
  DrawSoftGlowText(soft.dc(), {30, 20, 70, 40}, "Hi", RGB(0, 0, 255), DT_SINGLELINE | DT_CENTER | DT_VCENTER);
  const std::vector<uint32_t> q = soft.Pixels();
  EXPECT_NE(q[30 * 100 + 30], 0xFFFFFFu);  // the solid core under the text is tinted
}

TEST(GdiMonitor, MultiMonitorPathAndFallbacks) {
  static RECT fakeWork{100, 0, 900, 560}, fakeWhole{100, 0, 900, 600};
  MonitorServices services;
  services.monitorCount = 2;
  services.monitorFromWindow = [](HWND, DWORD) -> HMONITOR { return reinterpret_cast<HMONITOR>(1); };
  services.getMonitorInfo = [](HMONITOR, LPMONITORINFO info) -> BOOL {
    if (info->cbSize != 40) return FALSE;
    info->rcWork = fakeWork;
    info->rcMonitor = fakeWhole;
    return TRUE;
  };
  RECT r{};
  MonitorAreaOf(nullptr, true, r, services);
  EXPECT_TRUE(::EqualRect(&r, &fakeWork));
  MonitorAreaOf(nullptr, false, r, services);
  EXPECT_TRUE(::EqualRect(&r, &fakeWhole));

  services.getMonitorInfo = [](HMONITOR, LPMONITORINFO) -> BOOL { return FALSE; };
  RECT unchanged{1, 2, 3, 4};
  MonitorAreaOf(nullptr, true, unchanged, services);
  EXPECT_EQ(unchanged.left, 1);
  EXPECT_EQ(unchanged.bottom, 4);

  services.monitorCount = 1;  // one monitor: the system's desktop values
  RECT work{}, expected{};
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &expected, 0);
  MonitorAreaOf(nullptr, true, work, services);
  EXPECT_TRUE(::EqualRect(&work, &expected));
  services.monitorCount = 3;
  services.monitorFromWindow = nullptr;  // functions missing: the screen size
  MonitorAreaOf(nullptr, false, work, services);
  EXPECT_EQ(work.right, ::GetSystemMetrics(SM_CXSCREEN));
  EXPECT_EQ(work.bottom, ::GetSystemMetrics(SM_CYSCREEN));
}

TEST(GdiWindow, LayeredCallsAndVersionWord) {
  EXPECT_TRUE(OsVersionAtLeast2000());
  auto layered = [] {
    return ::CreateWindowExW(WS_EX_LAYERED, L"STATIC", L"", WS_POPUP, 10, 10, 4, 4, nullptr, nullptr, nullptr,
                             nullptr);
  };
  HWND constant = layered();
  ASSERT_NE(constant, nullptr);
  EXPECT_TRUE(SetWindowOpacity(constant, 200));
  ::DestroyWindow(constant);
  // A window given constant opacity no longer takes per-pixel updates: a fresh one.
  HWND window = layered();
  ASSERT_NE(window, nullptr);
  TbsBitmap bitmap;
  bitmap.SetSize(4, 4);
  bitmap.FillRect({0, 0, 4, 4}, 0x80400000u);
  bitmap.Premultiply();
  EXPECT_TRUE(PushLayeredBitmap(bitmap, 255, window));
  EXPECT_FALSE(PushLayeredBitmap(TbsBitmap(), 255, window));
  ::DestroyWindow(window);
}

}  // namespace
}  // namespace skin
