// The skinned hint as the application's hint window (run under Wine): a form with hinted
// controls, the carried default skin's hint picture, the title layout, and how TbsSkinHint
// takes over the application's hint and gives it back.
#include <gtest/gtest.h>
#include <windows.h>

#include <array>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "message_pump.h"
#include "draw_golden.h"
#include "platform/text.h"
#include "platform/ui/application.h"
#include "platform/ui/form.h"
#include "platform/ui/image_list.h"
#include "skin/builtin_skins.h"
#include "skin/win32/skin_control.h"
#include "skin/skin_data.h"
#include "skin/win32/skin_hint.h"
#include "skin/win32/skin_panel.h"

namespace skin {
namespace {

using platform::ui::Application;
using platform::ui::HintInfo;

using platform::testing::Pump;

uint32_t Rgb(uint32_t pixel) { return pixel & 0x00FFFFFFu; }
// A system colour as a pixel reads (0xRRGGBB).
uint32_t SysPixel(int index) {
  const COLORREF c = ::GetSysColor(index);
  return (c & 0xFF) << 16 | (c & 0xFF00) | (c >> 16 & 0xFF);
}

// Kept beside the other screenshots of the Windows build for a look by eye.
void KeepScreenshot(const std::string& name, const Bitmap& b) {
  const std::string dir = "Z:" + std::string(HALVEX_SOURCE_DIR) + "/build/win64/screenshots";
  ::CreateDirectoryW(platform::Widen(dir).c_str(), nullptr);
  const std::vector<uint8_t> png = testing::EncodePng(b);
  std::ofstream(dir + "/" + name, std::ios::binary)
      .write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
}

class Host : public platform::ui::Form, public SkinMessageTarget {
 public:
  void SkinMessage(uint32_t message, TbsSkinData* sender, intptr_t) override {
    TbsSkinControl::Broadcast(this, message, sender);
  }
};

// A form showing hints, with the carried skin 2 and an active TbsSkinHint: a skinned panel with
// a two-line hint, one with a title and an image, one with the same hint but no title, and a
// plain panel without a hint.
class SkinnedHint : public ::testing::Test {
 public:
  void SetUp() override {
    saved_ = {app_.HintPause(), app_.HintShortPause(), app_.HintHidePause()};
    saved_class_ = app_.GetHintWindowClass();
    app_.SetHintPause(150);
    app_.SetHintHidePause(5000);
    LoadBuiltinSkinList(list_);
    data_ = std::make_unique<TbsSkinData>(&host_);
    data_->SetShowLayeredBorders(false);
    data_->SetSkinIndex(2);
    data_->SetSkinList(&list_);
    ASSERT_FALSE(data_->Empty) << "no carried package for skin 2";
    hint_ = std::make_unique<TbsSkinHint>();
    hint_->SetSkinData(data_.get());

    images_ = std::make_unique<platform::ui::ImageList>(16, 16);
    images_->Add(std::vector<uint32_t>(16 * 16, 0xFFFF0000u));

    host_.SetClientSize(480, 200);
    host_.SetBounds(0, 0, 480, 200);
    host_.SetStayOnTop(true);
    host_.SetShowHint(true);
    lines_ = AddSkinned(10, 10, "Hello@World");
    titled_ = AddSkinned(120, 10, "Wide");
    titled_->HintTitle = "Wide";
    titled_->SetHintImageList(images_.get());
    untitled_ = AddSkinned(230, 10, "Wide");
    plain_ = std::make_unique<platform::ui::Panel>(&host_);
    plain_->SetBounds(10, 110, 100, 80);
    ::SetCursorPos(0, 0);
    host_.Show();
    ::SetForegroundWindow(host_.Handle());
    Pump(100);
  }
  void TearDown() override {
    app_.CancelHint();
    hint_.reset();
    app_.SetHintPause(saved_[0]);
    app_.SetHintShortPause(saved_[1]);
    app_.SetHintHidePause(saved_[2]);
    app_.SetHintWindowClass(saved_class_);
  }
  TbsSkinPanel* AddSkinned(int x, int y, const std::string& hint) {
    panels_.push_back(std::make_unique<TbsSkinPanel>(&host_));
    TbsSkinPanel* p = panels_.back().get();
    p->SetBounds(x, y, 100, 80);
    p->SetHint(hint);
    return p;
  }
  POINT MoveTo(platform::ui::Control* c, int x = 50, int y = 40) {
    POINT p{x, y};
    ::ClientToScreen(c->Handle(), &p);
    ::SetCursorPos(p.x, p.y);
    ::SendMessageW(c->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
    return p;
  }
  TbsSkinHintWindow* Window() const { return dynamic_cast<TbsSkinHintWindow*>(app_.CurrentHintWindow()); }
  bool Up() const { return Window() && Window()->Visible(); }
  RECT Bounds() const {
    RECT r{};
    ::GetWindowRect(Window()->Handle(), &r);
    return r;
  }

  Application& app_ = Application::Instance();
  std::array<unsigned, 3> saved_{};
  platform::ui::HintWindowClass saved_class_ = nullptr;
  TbsCompressedSkinList list_;
  Host host_;
  std::unique_ptr<TbsSkinData> data_;
  std::unique_ptr<TbsSkinHint> hint_;
  std::unique_ptr<platform::ui::ImageList> images_;
  std::vector<std::unique_ptr<TbsSkinPanel>> panels_;
  std::unique_ptr<platform::ui::Panel> plain_;
  TbsSkinPanel *lines_ = nullptr, *titled_ = nullptr, *untitled_ = nullptr;
};

TEST_F(SkinnedHint, AppearsAfterThePauseBelowTheCursorInTheSkinsPicture) {
  app_.SetHintPause(400);
  const POINT cursor = MoveTo(lines_);
  Pump(50);
  EXPECT_FALSE(Up()) << "before the pause";
  Pump(700);
  ASSERT_TRUE(Up());
  TbsSkinHintWindow* w = Window();
  EXPECT_EQ(w->Text(), "Hello\n\rWorld");
  EXPECT_EQ(w->UsedSkinData(), data_.get());
  EXPECT_FALSE(w->HasTitle());
  const RECT r = Bounds();
  EXPECT_EQ(r.left, cursor.x);
  EXPECT_GT(r.top, cursor.y);
  // The corners are the [HINTWINDOW] picture's own.
  const Bitmap* picture = data_->ActivePicture(data_->HintWindow.windowpictureindex);
  ASSERT_NE(picture, nullptr);
  const Bitmap b = w->Render();
  KeepScreenshot("hint_skin2.png", b);
  ASSERT_EQ(b.Width(), r.right - r.left);
  const int pw = picture->Width(), ph = picture->Height();
  EXPECT_EQ(Rgb(b.Pixel(2, 2)), Rgb(picture->Pixel(2, 2)));
  EXPECT_EQ(Rgb(b.Pixel(b.Width() - 3, b.Height() - 3)), Rgb(picture->Pixel(pw - 3, ph - 3)));
  // Two lines of text: taller than the picture's own height allows for one.
  EXPECT_GT(b.Height(), ph);
  // Leaving for a control without a hint hides it.
  MoveTo(plain_.get());
  EXPECT_FALSE(Up());
}

TEST_F(SkinnedHint, HidesAfterTheHidePause) {
  app_.SetHintHidePause(600);
  MoveTo(lines_);
  Pump(400);
  ASSERT_TRUE(Up());
  Pump(700);
  EXPECT_FALSE(Up());
}

TEST_F(SkinnedHint, NothingShowsWithoutAnActiveSkinHint) {
  hint_->SetActive(false);
  MoveTo(lines_);
  Pump(400);
  EXPECT_FALSE(Up());
  // Active again: shown, in the plain look once the skin data is gone.
  hint_->SetActive(true);
  data_.reset();
  EXPECT_EQ(hint_->SkinData(), nullptr);
  MoveTo(plain_.get());
  MoveTo(lines_);
  Pump(400);
  ASSERT_TRUE(Up());
  EXPECT_EQ(Window()->UsedSkinData(), nullptr);
  const Bitmap b = Window()->Render();
  EXPECT_EQ(Rgb(b.Pixel(0, 0)), SysPixel(COLOR_BTNSHADOW));
  EXPECT_EQ(Rgb(b.Pixel(1, 1)), SysPixel(COLOR_INFOBK));
}

TEST_F(SkinnedHint, TitleLayoutIsLargerWithTheTitleInBoldAndTheImageAtTheLeft) {
  // The plain look: a uniform background to count the text's pixels on.
  hint_->SetSkinData(nullptr);
  MoveTo(untitled_);
  Pump(400);
  ASSERT_TRUE(Up());
  EXPECT_FALSE(Window()->HasTitle());
  const RECT plain = Bounds();
  MoveTo(titled_);
  Pump(400);
  ASSERT_TRUE(Up());
  TbsSkinHintWindow* w = Window();
  ASSERT_TRUE(w->HasTitle());
  const RECT titled = Bounds();
  EXPECT_GT(titled.right - titled.left, plain.right - plain.left);
  EXPECT_GT(titled.bottom - titled.top, plain.bottom - plain.top);

  const Bitmap b = w->Render();
  const Point o = w->ContentOrigin();
  const HintTitleLayout& l = w->TitleLayout();
  EXPECT_EQ(Rgb(b.Pixel(o.X + l.Image.Left + 8, o.Y + l.Image.Top + 8)), 0xFF0000u);
  EXPECT_EQ(l.Image.Right - l.Image.Left, 16);
  KeepScreenshot("hint_titled_plain.png", b);
  // The same word as title and as text: the bold title is at least as wide, and darker.
  EXPECT_GE(l.Title.Right - l.Title.Left, l.Text.Right - l.Text.Left);
  const uint32_t background = SysPixel(COLOR_INFOBK);
  auto ink = [&](const Rect& r) {
    int n = 0;
    for (int y = r.Top; y < r.Bottom; ++y)
      for (int x = r.Left; x < r.Right; ++x)
        if (Rgb(b.Pixel(o.X + x, o.Y + y)) != background) ++n;
    return n;
  };
  const int title_ink = ink(l.Title), text_ink = ink(l.Text);
  EXPECT_GT(text_ink, 0);
  EXPECT_GT(title_ink, text_ink + text_ink / 5);

  // With the skin the title layout is used as well, and is larger than the hint without it.
  hint_->SetSkinData(data_.get());
  MoveTo(plain_.get());
  MoveTo(untitled_);
  Pump(400);
  const RECT skinned_plain = Bounds();
  MoveTo(titled_);
  Pump(400);
  ASSERT_TRUE(Window()->HasTitle());
  EXPECT_EQ(Window()->UsedSkinData(), data_.get());
  EXPECT_GT(Bounds().bottom - Bounds().top, skinned_plain.bottom - skinned_plain.top);
  KeepScreenshot("hint_titled_skin2.png", Window()->Render());
}

TEST_F(SkinnedHint, ShowHintHandlerTakesTitleAndImageThenCallsTheUsers) {
  std::vector<platform::ui::Control*> seen;
  hint_->OnShowHint = [&](std::string& text, bool& can_show, HintInfo& info) {
    seen.push_back(info.HintControl);
    EXPECT_EQ(hint_->HintTitle, info.HintControl == titled_ ? "Wide" : "");
    EXPECT_EQ(hint_->HintImageList(), info.HintControl == titled_ ? images_.get() : nullptr);
    if (info.HintControl == untitled_) can_show = false;
    text += "?";
  };
  MoveTo(titled_);
  Pump(400);
  ASSERT_TRUE(Up());
  EXPECT_EQ(Window()->Text(), "Wide?");
  MoveTo(untitled_);
  Pump(400);
  EXPECT_FALSE(Up());
  EXPECT_EQ(seen, (std::vector<platform::ui::Control*>{titled_, untitled_}));
  // A freed image list is dropped by the control and by the hint.
  images_.reset();
  EXPECT_EQ(titled_->HintImageList(), nullptr);
  MoveTo(titled_);
  Pump(400);
  EXPECT_EQ(hint_->HintImageList(), nullptr);
}

void UsersHandler(std::string&, bool&, HintInfo&) {}
using HandlerFn = void (*)(std::string&, bool&, HintInfo&);

TEST_F(SkinnedHint, TakesOverTheApplicationsHintAndGivesItBack) {
  hint_.reset();
  app_.SetHintWindowClass(&platform::ui::PlainHintWindow::Create);
  app_.SetHintShortPause(50);
  app_.OnShowHint = &UsersHandler;
  {
    TbsSkinHint first;
    first.SetSkinData(data_.get());
    EXPECT_EQ(app_.GetHintWindowClass(), &TbsSkinHintWindow::Create);
    EXPECT_EQ(app_.HintShortPause(), 100u);
    const HandlerFn* installed = app_.OnShowHint.target<HandlerFn>();
    ASSERT_NE(installed, nullptr);
    EXPECT_NE(*installed, &UsersHandler);
    {
      // A second component made active takes the handler; the first turns inactive.
      TbsSkinHint second;
      int calls_first = 0, calls_second = 0;
      first.OnShowHint = [&](std::string&, bool&, HintInfo&) { ++calls_first; };
      second.OnShowHint = [&](std::string&, bool&, HintInfo&) { ++calls_second; };
      second.SetActive(true);
      EXPECT_FALSE(first.Active());
      EXPECT_EQ(TbsSkinHint::Current(), &second);
      MoveTo(lines_);
      Pump(400);
      EXPECT_TRUE(Up());
      EXPECT_EQ(calls_first, 0);
      EXPECT_EQ(calls_second, 1);
      app_.CancelHint();
    }
    // The second gone, no active component is left: nothing shows, and nothing dangles.
    EXPECT_EQ(TbsSkinHint::Current(), nullptr);
    MoveTo(plain_.get());
    MoveTo(lines_);
    Pump(400);
    EXPECT_FALSE(Up());
    first.SetActive(true);
    MoveTo(plain_.get());
    MoveTo(lines_);
    Pump(400);
    EXPECT_TRUE(Up());
  }
  // The last one gone: the application's own class and handler are back.
  EXPECT_EQ(app_.GetHintWindowClass(), &platform::ui::PlainHintWindow::Create);
  const HandlerFn* restored = app_.OnShowHint.target<HandlerFn>();
  ASSERT_NE(restored, nullptr);
  EXPECT_EQ(*restored, &UsersHandler);
  EXPECT_EQ(Window(), nullptr);
  app_.OnShowHint = nullptr;
}

}  // namespace
}  // namespace skin
