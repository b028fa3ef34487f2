// Printing the runtime's windows (WM_PRINT) that were never shown: each control gives the
// picture it paints, the children in their stacking order at their offsets, hidden ones left
// out; with the non-client area the client moves to its place in the window.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/ui/form.h"
#include "platform/ui/gdi.h"
#include "platform/ui/print.h"

namespace platform::ui {
namespace {

constexpr uint32_t kUntouched = 0xFF00FF;
constexpr COLORREF kRed = RGB(255, 0, 0), kGreen = RGB(0, 255, 0), kBlue = RGB(0, 0, 255),
                   kYellow = RGB(255, 255, 0), kWhite = RGB(255, 255, 255);

uint32_t Px(COLORREF c) { return uint32_t{GetRValue(c)} << 16 | uint32_t{GetGValue(c)} << 8 | GetBValue(c); }

// The window printed into a 32-bit top-down picture of its outer size, first filled with
// kUntouched.
struct Printed {
  int width = 0, height = 0;
  std::vector<uint32_t> pixels;
  uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x] & 0x00FFFFFFu; }
};

Printed Print(HWND window, LPARAM flags) {
  RECT r{};
  ::GetWindowRect(window, &r);
  Printed p;
  p.width = r.right - r.left;
  p.height = r.bottom - r.top;
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), p.width, -p.height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  UniqueBitmap bmp(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  UniqueMemoryDc dc(::CreateCompatibleDC(nullptr));
  auto* px = static_cast<uint32_t*>(bits);
  std::fill(px, px + static_cast<size_t>(p.width) * p.height, kUntouched);
  {
    ScopedSelect select(dc.get(), bmp.get());
    ::SendMessageW(window, WM_PRINT, reinterpret_cast<WPARAM>(dc.get()), flags);
    ::GdiFlush();
  }
  p.pixels.assign(px, px + static_cast<size_t>(p.width) * p.height);
  return p;
}

std::unique_ptr<Panel> ColouredPanel(Control* parent, RECT r, COLORREF colour) {
  auto panel = std::make_unique<Panel>(parent);
  panel->SetBounds(r.left, r.top, r.right - r.left, r.bottom - r.top);
  panel->SetColor(colour);
  return panel;
}

// Green under blue (added later, so on top), a white panel inside the blue one, a hidden yellow
// one; printed with and without the non-client area, whose presence moves the client's origin.
TEST(PrintWindow, ChildrenInStackingOrderAtTheirOffsets) {
  Form form;
  form.SetClientSize(300, 160);
  form.SetBounds(0, 0, 300, 160);
  form.SetColor(kRed);
  auto green = ColouredPanel(&form, {10, 10, 80, 50}, kGreen);
  auto blue = ColouredPanel(&form, {50, 30, 120, 70}, kBlue);
  auto white = ColouredPanel(blue.get(), {5, 5, 15, 15}, kWhite);
  auto yellow = ColouredPanel(&form, {0, 0, 30, 30}, kYellow);
  yellow->SetVisible(false);
  form.CreateHandle();
  ASSERT_FALSE(::IsWindowVisible(form.Handle()));

  const POINT client = ClientOriginInWindow(form.Handle());
  const struct {
    LPARAM flags;
    POINT origin;
  } cases[] = {{PRF_ERASEBKGND | PRF_CLIENT | PRF_CHILDREN, {0, 0}},
               {PRF_NONCLIENT | PRF_ERASEBKGND | PRF_CLIENT | PRF_CHILDREN, client}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.flags);
    const Printed p = Print(form.Handle(), c.flags);
    auto at = [&](int x, int y) { return p.At(c.origin.x + x, c.origin.y + y); };
    EXPECT_EQ(at(5, 5), Px(kRed));  // the hidden panel is not printed
    EXPECT_EQ(at(20, 20), Px(kGreen));
    EXPECT_EQ(at(75, 48), Px(kBlue));   // where the two overlap
    EXPECT_EQ(at(57, 37), Px(kWhite));  // the grandchild at its parent's offset
    EXPECT_EQ(at(299, 159), Px(kRed));
  }
  // Without the children only the form's own client.
  EXPECT_EQ(Print(form.Handle(), PRF_CLIENT).At(20, 20), Px(kRed));
  // Asked to check visibility, a window that is not shown prints nothing.
  EXPECT_EQ(Print(form.Handle(), PRF_CHECKVISIBLE | PRF_CLIENT | PRF_CHILDREN).At(20, 20), kUntouched);
}

}  // namespace
}  // namespace platform::ui
