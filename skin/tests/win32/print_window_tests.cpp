// Printing windows (WM_PRINT) that were never shown: the skinned controls give the picture they
// paint; the skinned frame gives its frame, or the plain frame without a skin, cut to the window
// region, and the client's children at their offsets inside it.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>

#include "platform/ui/form.h"
#include "platform/ui/print.h"
#include "skin/win32/bitmap_canvas.h"
#include "skin/builtin_skins.h"
#include "skin/skin_data.h"
#include "skin/win32/skin_form.h"
#include "skin/win32/skin_gauge.h"
#include "skin/win32/skin_label.h"
#include "skin/win32/skin_panel.h"

namespace skin {
namespace {

constexpr uint32_t kUntouched = 0xFF00FF;  // magenta: what the picture held before printing
constexpr COLORREF kRed = RGB(255, 0, 0), kGreen = RGB(0, 255, 0);

uint32_t Px(COLORREF c) { return uint32_t{GetRValue(c)} << 16 | uint32_t{GetGValue(c)} << 8 | GetBValue(c); }
uint32_t At(const Bitmap& b, int x, int y) { return b.Pixel(x, y) & 0x00FFFFFFu; }

Bitmap Print(HWND window, LPARAM flags) {
  RECT r{};
  ::GetWindowRect(window, &r);
  Bitmap picture(r.right - r.left, r.bottom - r.top);
  for (int y = 0; y < picture.Height(); ++y)
    for (int x = 0; x < picture.Width(); ++x) picture.SetPixel(x, y, kUntouched);
  {
    BitmapCanvas canvas(picture);
    ::SendMessageW(window, WM_PRINT, reinterpret_cast<WPARAM>(canvas.dc()), flags);
    BitmapCanvas::Flush();
  }
  return picture;
}

constexpr LPARAM kAll = PRF_NONCLIENT | PRF_ERASEBKGND | PRF_CLIENT | PRF_CHILDREN;

// A form with its skinned frame attached when the window is made, as the launcher's form has.
class Host : public platform::ui::Form, public SkinMessageTarget {
 public:
  explicit Host(bool skinned_frame = false) {
    SetClientSize(300, 160);
    SetBounds(0, 0, 300, 160);
    SetColor(kRed);
    if (skinned_frame) frame = std::make_unique<TbsSkinForm>();
  }
  void SkinMessage(uint32_t message, TbsSkinData* sender, intptr_t) override {
    TbsSkinControl::Broadcast(this, message, sender);
  }
  std::unique_ptr<TbsSkinForm> frame;

 protected:
  void CreateWindowHandle() override {
    Form::CreateWindowHandle();
    if (frame && Handle()) frame->Attach(Handle());
  }
};

std::unique_ptr<platform::ui::Panel> ColouredPanel(platform::ui::Control* parent, RECT r, COLORREF colour) {
  auto panel = std::make_unique<platform::ui::Panel>(parent);
  panel->SetBounds(r.left, r.top, r.right - r.left, r.bottom - r.top);
  panel->SetColor(colour);
  return panel;
}

// The skinned controls of the main window in skin 2: each is printed as it paints itself.
TEST(PrintWindow, SkinnedControlsGiveTheirOwnPicture) {
  TbsCompressedSkinList list;
  LoadBuiltinSkinList(list);
  Host host;
  TbsSkinData data(&host);
  data.SetShowLayeredBorders(false);
  data.SetSkinIndex(2);
  TbsSkinPanel panel(&host);
  panel.SetSkinDataName("panel");
  panel.SetBounds(0, 137, 300, 23);
  TbsSkinStatusPanel status(&panel);
  status.SetSkinDataName("statuspanel");
  status.SetUseSkinSize(false);
  status.SetCaption(" Halvex Auto Update");
  status.SetBounds(0, 0, 161, 23);
  TbsSkinGauge gauge(&host);
  gauge.SetSkinDataName("statusgauge");
  gauge.SetUseSkinSize(false);
  gauge.SetBounds(20, 40, 250, 20);
  gauge.SetValue(50);
  for (TbsSkinControl* c : std::initializer_list<TbsSkinControl*>{&panel, &status, &gauge}) c->SetSkinData(&data);
  host.CreateHandle();
  data.SetSkinList(&list);
  ASSERT_FALSE(data.Empty) << "no carried package for skin 2";

  const Bitmap b = Print(host.Handle(), PRF_ERASEBKGND | PRF_CLIENT | PRF_CHILDREN);
  const struct {
    TbsSkinControl* control;
    POINT at;
  } controls[] = {{&panel, {0, 137}}, {&status, {0, 137}}, {&gauge, {20, 40}}};
  for (const auto& c : controls) {
    SCOPED_TRACE(c.control->SkinDataName());
    Bitmap own = c.control->RenderImage();
    ASSERT_EQ(own.Width(), c.control->Width());
    int differing = 0;
    for (int y = 0; y < own.Height(); ++y)
      for (int x = 0; x < own.Width(); ++x) {
        // The panel is covered by its status panel on the left.
        if (c.control == &panel && x < status.Width()) continue;
        differing += At(b, c.at.x + x, c.at.y + y) != (own.Pixel(x, y) & 0x00FFFFFFu);
      }
    EXPECT_EQ(differing, 0);
  }
}

// A see-through skinned control asks its parent for the picture behind it (WM_PRINTCLIENT): a
// plain panel answers with what it paints.
TEST(PrintWindow, SeeThroughControlsShowTheirParentsPicture) {
  Host host;
  platform::ui::Panel back(&host);
  back.SetBounds(10, 10, 200, 100);
  back.SetColor(kGreen);
  TbsSkinPanel panel(&back);
  panel.SetEmptyDrawing(true);
  panel.SetBounds(20, 20, 60, 30);
  TbsSkinLabel label(&back);
  label.SetTransparent(true);
  label.SetBounds(100, 20, 60, 30);
  host.CreateHandle();
  const Bitmap shown = panel.RenderImage();
  EXPECT_EQ(At(shown, 30, 15), Px(kGreen));
  EXPECT_EQ(At(label.RenderImage(), 30, 15), Px(kGreen));
}

// The frame as the frame paints it, inside the window region only (skin 0 cuts its corners
// away, skin 2 is rectangular, -1 is the plain frame); a child at its offset in the client.
TEST(PrintWindow, SkinnedFrameCutToTheWindowRegion) {
  TbsCompressedSkinList list;
  LoadBuiltinSkinList(list);
  for (const int index : {0, 2, -1}) {
    SCOPED_TRACE(index);
    Host host(true);
    auto green = ColouredPanel(&host, {10, 10, 50, 20}, kGreen);
    TbsSkinData data(&host);
    data.SetShowLayeredBorders(false);
    data.SetSkinIndex(index < 0 ? 2 : index);
    host.frame->ClientWidth = 300;
    host.frame->ClientHeight = 160;
    host.CreateHandle();
    if (index >= 0) {
      data.SetSkinList(&list);
      ASSERT_FALSE(data.Empty) << "no carried package for skin " << index;
      host.frame->SetSkinData(&data);
    }
    ::SendMessageW(host.Handle(), WM_NCACTIVATE, TRUE, 0);
    ASSERT_EQ(host.frame->Skinned(), index >= 0);

    const Bitmap b = Print(host.Handle(), kAll);
    Bitmap frame;
    host.frame->RenderFrame(frame);
    ASSERT_EQ(frame.Width(), b.Width());
    ASSERT_EQ(frame.Height(), b.Height());
    const POINT origin = platform::ui::ClientOriginInWindow(host.Handle());
    RECT client{};
    ::GetClientRect(host.Handle(), &client);
    ::OffsetRect(&client, origin.x, origin.y);
    const platform::ui::UniqueRegion region(::CreateRectRgn(0, 0, 0, 0));
    const bool shaped = ::GetWindowRgn(host.Handle(), region.get()) != ERROR;
    int outside = 0, compared = 0, differing = 0;
    for (int y = 0; y < b.Height(); ++y)
      for (int x = 0; x < b.Width(); ++x) {
        if (shaped && !::PtInRegion(region.get(), x, y)) {
          ++outside;
          differing += At(b, x, y) != kUntouched;
        } else if (!::PtInRect(&client, POINT{x, y})) {
          ++compared;
          differing += At(b, x, y) != At(frame, x, y);
        }
      }
    EXPECT_EQ(differing, 0) << "of " << compared << " frame pixels and " << outside << " outside the region";
    EXPECT_GT(compared, 0);
    if (index == 0) EXPECT_GT(outside, 0) << "skin 0's mask cuts the corners";
    EXPECT_EQ(At(b, origin.x + 15, origin.y + 15), Px(kGreen));
    EXPECT_EQ(At(b, origin.x + 100, origin.y + 100), Px(kRed));
  }
}

}  // namespace
}  // namespace skin
