// The application's hints on real windows (run under Wine): which control's hint shows, the
// show, short and hide pauses, what hides a hint, the show-hint handler, the hint window class,
// and the plain tooltip.
#include <gtest/gtest.h>
#include <windows.h>

#include <array>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "message_pump.h"
#include "platform/ui/application.h"
#include "platform/ui/form.h"

namespace platform::ui {
namespace {

using platform::testing::Pump;

// A hint window that only records what it was asked to show.
struct Recorder {
  int made = 0;
  std::vector<std::pair<POINT, std::string>> shown;
};
Recorder& Recorded() {
  static Recorder r;
  return r;
}

class RecordingHintWindow : public HintWindow {
 public:
  static std::unique_ptr<HintWindow> Create() {
    ++Recorded().made;
    return std::make_unique<RecordingHintWindow>();
  }
  void ActivateHint(RECT rect, const std::string& text) override {
    Recorded().shown.push_back({POINT{rect.left, rect.top}, text});
    visible_ = true;
  }
  void Hide() override { visible_ = false; }
  bool Visible() const override { return visible_; }
  HWND Handle() const override { return nullptr; }

 private:
  bool visible_ = false;
};

TEST(ControlHint, ShowHintFollowsTheParentUntilSet) {
  struct Case {
    bool form_show;
    int child_explicit;  // -1: ParentShowHint left on; 0/1: ShowHint set
    bool expected;
  };
  const Case cases[] = {{true, -1, true}, {false, -1, false}, {true, 0, false}, {false, 1, true}};
  for (const Case& c : cases) {
    Form form;
    Panel middle(&form);
    Panel child(&middle);
    form.SetShowHint(c.form_show);
    if (c.child_explicit >= 0) child.SetShowHint(c.child_explicit == 1);
    EXPECT_EQ(child.ShowHint(), c.expected) << c.form_show << " " << c.child_explicit;
    EXPECT_EQ(child.ParentShowHint(), c.child_explicit < 0);
    // Turning ParentShowHint back on follows the parent again.
    child.SetParentShowHint(true);
    EXPECT_EQ(child.ShowHint(), c.form_show);
  }
  // A form has no parent to follow: its own switch, off by default.
  Form lone;
  EXPECT_FALSE(lone.ShowHint());
}

// A form with two hinted panels side by side, an unhinted one below, and a hinted panel that
// does not show hints.
class AppHint : public ::testing::Test {
 public:
  void SetUp() override {
    saved_ = {app_.HintPause(), app_.HintShortPause(), app_.HintHidePause()};
    saved_class_ = app_.GetHintWindowClass();
    app_.SetHintWindowClass(&RecordingHintWindow::Create);
    app_.SetShowHint(false);
    app_.SetShowHint(true);
    app_.SetHintPause(150);
    app_.SetHintShortPause(30);
    app_.SetHintHidePause(5000);
    Recorded() = {};

    form_.SetClientSize(400, 200);
    form_.SetBounds(0, 0, 400, 200);
    form_.SetStayOnTop(true);
    form_.SetShowHint(true);
    alpha_ = Add(10, 10, "Alpha");
    beta_ = Add(120, 10, "Beta");
    plain_ = Add(10, 110, "");
    muted_ = Add(230, 10, "Muted");
    muted_->SetShowHint(false);
    // The cursor starts away from the form: where the last test left it would start a hint.
    ::SetCursorPos(0, 0);
    form_.Show();
    ::SetForegroundWindow(form_.Handle());
    Pump(100);
  }
  void TearDown() override {
    app_.CancelHint();
    app_.OnShowHint = nullptr;
    app_.SetHintPause(saved_[0]);
    app_.SetHintShortPause(saved_[1]);
    app_.SetHintHidePause(saved_[2]);
    app_.SetHintWindowClass(saved_class_);
    app_.SetShowHint(false);
    app_.SetShowHint(true);
  }
  Panel* Add(int x, int y, const std::string& hint) {
    panels_.push_back(std::make_unique<Panel>(&form_));
    Panel* p = panels_.back().get();
    p->SetBounds(x, y, 100, 80);
    p->SetHint(hint);
    return p;
  }
  // Puts the cursor at (x, y) of the control and tells the control, as a real move would.
  POINT MoveTo(Control* c, int x = 50, int y = 40) {
    POINT p{x, y};
    ::ClientToScreen(c->Handle(), &p);
    ::SetCursorPos(p.x, p.y);
    ::SendMessageW(c->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
    return p;
  }
  bool Up() const { return app_.CurrentHintWindow() && app_.CurrentHintWindow()->Visible(); }
  size_t Shown() const { return Recorded().shown.size(); }
  const std::string& LastText() const { return Recorded().shown.back().second; }

  Application& app_ = Application::Instance();
  std::array<unsigned, 3> saved_{};
  HintWindowClass saved_class_ = nullptr;
  Form form_;
  std::vector<std::unique_ptr<Panel>> panels_;
  Panel *alpha_ = nullptr, *beta_ = nullptr, *plain_ = nullptr, *muted_ = nullptr;
};

TEST_F(AppHint, ShowsAfterThePauseBelowTheCursor) {
  app_.SetHintPause(400);
  const POINT cursor = MoveTo(alpha_);
  Pump(50);
  EXPECT_EQ(Shown(), 0u) << "before the pause";
  Pump(700);
  ASSERT_EQ(Shown(), 1u);
  EXPECT_TRUE(Up());
  EXPECT_EQ(LastText(), "Alpha");
  const POINT at = Recorded().shown.back().first;
  EXPECT_EQ(at.x, cursor.x);
  EXPECT_GT(at.y, cursor.y);
  EXPECT_LE(at.y, cursor.y + ::GetSystemMetrics(SM_CYCURSOR));
  EXPECT_EQ(app_.HintControl(), alpha_);
  // Moving within the same control does not show it again.
  MoveTo(alpha_, 60, 50);
  Pump(400);
  EXPECT_EQ(Shown(), 1u);
}

TEST_F(AppHint, NothingShowsWithoutAHintOrWithHintsOff) {
  struct Case {
    const char* what;
    Panel* AppHint::*panel;
    bool app_show_hint;
  };
  const Case cases[] = {{"no hint text", &AppHint::plain_, true},
                        {"control's ShowHint off", &AppHint::muted_, true},
                        {"application's ShowHint off", &AppHint::alpha_, false}};
  for (const Case& c : cases) {
    app_.SetShowHint(c.app_show_hint);
    MoveTo(this->*c.panel);
    Pump(400);
    EXPECT_EQ(Shown(), 0u) << c.what;
    EXPECT_FALSE(Up()) << c.what;
    app_.SetShowHint(true);
  }
}

TEST_F(AppHint, HidesAfterTheHidePauseAndStaysHiddenOnTheSameControl) {
  app_.SetHintHidePause(600);
  MoveTo(alpha_);
  Pump(400);
  ASSERT_TRUE(Up());
  Pump(700);
  EXPECT_FALSE(Up());
  MoveTo(alpha_, 55, 45);
  Pump(400);
  EXPECT_EQ(Shown(), 1u);
}

TEST_F(AppHint, WhatHidesAHint) {
  struct Case {
    const char* what;
    void (*act)(AppHint& t);
  };
  const Case cases[] = {
      {"leaving for a control without a hint", [](AppHint& t) { t.MoveTo(t.plain_); }},
      {"leaving the window", [](AppHint& t) {
         RECT r{};
         ::GetWindowRect(t.form_.Handle(), &r);
         ::SetCursorPos(r.right + 40, r.bottom + 40);
         ::SendMessageW(t.alpha_->Handle(), WM_MOUSELEAVE, 0, 0);
       }},
      {"a click", [](AppHint& t) { ::SendMessageW(t.alpha_->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(50, 40)); }},
      {"a key", [](AppHint& t) { ::SendMessageW(t.form_.Handle(), WM_KEYDOWN, VK_SPACE, 0); }},
      {"deactivation", [](AppHint& t) { ::SendMessageW(t.form_.Handle(), WM_ACTIVATE, WA_INACTIVE, 0); }},
  };
  for (const Case& c : cases) {
    app_.CancelHint();
    Recorded().shown.clear();
    MoveTo(alpha_);
    Pump(300);
    ASSERT_TRUE(Up()) << c.what;
    c.act(*this);
    EXPECT_FALSE(Up()) << c.what;
    // Nothing comes back while the mouse stays.
    Pump(300);
    EXPECT_EQ(Shown(), 1u) << c.what;
  }
}

TEST_F(AppHint, NextHintComesAfterTheShortPause) {
  app_.SetHintPause(150);
  MoveTo(alpha_);
  Pump(300);
  ASSERT_TRUE(Up());
  app_.SetHintPause(3000);
  MoveTo(beta_);
  EXPECT_FALSE(Up()) << "the old hint goes at once";
  Pump(250);
  ASSERT_EQ(Shown(), 2u);
  EXPECT_EQ(LastText(), "Beta");
  // From no hint, the full pause again.
  MoveTo(plain_);
  MoveTo(alpha_);
  Pump(250);
  EXPECT_EQ(Shown(), 2u);
}

TEST_F(AppHint, ShowHintHandlerSeesAndChangesTheHint) {
  HintInfo seen;
  std::string seen_text;
  app_.OnShowHint = [&](std::string& text, bool& can_show, HintInfo& info) {
    seen = info;
    seen_text = text;
    if (info.HintControl == beta_) can_show = false;
    text += "!";
    info.HintPos.x += 7;
  };
  const POINT cursor = MoveTo(alpha_, 30, 20);
  Pump(300);
  EXPECT_EQ(seen_text, "Alpha");
  EXPECT_EQ(seen.HintControl, alpha_);
  EXPECT_EQ(seen.CursorPos.x, 30);
  EXPECT_EQ(seen.CursorPos.y, 20);
  EXPECT_EQ(seen.CursorRect.right, 100);
  EXPECT_EQ(seen.HideTimeout, 5000u);
  ASSERT_EQ(Shown(), 1u);
  EXPECT_EQ(LastText(), "Alpha!");
  EXPECT_EQ(Recorded().shown.back().first.x, cursor.x + 7);
  // Cleared CanShow shows nothing.
  MoveTo(beta_);
  Pump(300);
  EXPECT_EQ(seen.HintControl, beta_);
  EXPECT_EQ(Shown(), 1u);
  EXPECT_FALSE(Up());
}

TEST_F(AppHint, NarrowedCursorRectShowsTheHintAgainForTheNextPlace) {
  // A hint per half of the control, as a grid gives one per cell.
  app_.OnShowHint = [](std::string& text, bool&, HintInfo& info) {
    const bool left = info.CursorPos.x < 50;
    text += left ? " left" : " right";
    info.CursorRect = left ? RECT{0, 0, 50, 80} : RECT{50, 0, 100, 80};
  };
  MoveTo(alpha_, 20, 40);
  Pump(300);
  ASSERT_EQ(Shown(), 1u);
  EXPECT_EQ(LastText(), "Alpha left");
  MoveTo(alpha_, 40, 60);
  Pump(200);
  EXPECT_EQ(Shown(), 1u) << "still in the same half";
  app_.SetHintPause(3000);
  MoveTo(alpha_, 70, 40);
  Pump(250);
  ASSERT_EQ(Shown(), 2u) << "the short pause, as for another control";
  EXPECT_EQ(LastText(), "Alpha right");
}

TEST_F(AppHint, AnExceptionFromTheHandlerGoesToTheDefaultHandler) {
  std::string reported;
  auto previous = app_.OnException;
  app_.OnException = [&](const std::string& text, const std::string&) { reported = text; };
  app_.OnShowHint = [](std::string&, bool&, HintInfo&) { throw std::runtime_error("Hint failed"); };
  MoveTo(alpha_);
  Pump(300);
  app_.OnException = previous;
  EXPECT_EQ(reported, "Hint failed.");
  EXPECT_EQ(Shown(), 0u);
}

TEST_F(AppHint, NewWindowClassTakesEffectWhenHintsAreSwitchedOffAndOn) {
  MoveTo(alpha_);
  Pump(300);
  ASSERT_EQ(Recorded().made, 1);
  HintWindow* first = app_.CurrentHintWindow();
  app_.SetHintWindowClass(&PlainHintWindow::Create);
  EXPECT_EQ(app_.CurrentHintWindow(), first);
  app_.SetShowHint(false);
  EXPECT_EQ(app_.CurrentHintWindow(), nullptr);
  app_.SetShowHint(true);
  MoveTo(plain_);
  MoveTo(beta_);
  Pump(300);
  auto* plain = dynamic_cast<PlainHintWindow*>(app_.CurrentHintWindow());
  ASSERT_NE(plain, nullptr);
  EXPECT_EQ(Recorded().made, 1);
  EXPECT_TRUE(plain->Visible());
  EXPECT_EQ(plain->Text(), "Beta");
}

TEST_F(AppHint, DestroyingThePendingControlForgetsIt) {
  auto extra = std::make_unique<Panel>(&form_);
  extra->SetBounds(10, 110, 100, 80);
  extra->SetHint("Gone");
  extra->CreateHandle();
  MoveTo(extra.get());
  EXPECT_EQ(app_.HintControl(), extra.get());
  extra.reset();
  EXPECT_EQ(app_.HintControl(), nullptr);
  Pump(300);
  EXPECT_EQ(Shown(), 0u);
}

TEST_F(AppHint, PlainTooltipAppearsBelowTheCursorOnTheWorkArea) {
  app_.SetHintWindowClass(&PlainHintWindow::Create);
  app_.SetShowHint(false);
  app_.SetShowHint(true);
  const POINT cursor = MoveTo(alpha_);
  Pump(400);
  auto* plain = dynamic_cast<PlainHintWindow*>(app_.CurrentHintWindow());
  ASSERT_NE(plain, nullptr);
  ASSERT_TRUE(plain->Visible());
  RECT r{};
  ::GetWindowRect(plain->Handle(), &r);
  EXPECT_EQ(r.left, cursor.x);
  EXPECT_GT(r.top, cursor.y);
  EXPECT_GT(r.right - r.left, 20);
  EXPECT_GT(r.bottom - r.top, 8);
  // The focus stays with the form.
  EXPECT_EQ(::GetForegroundWindow(), form_.Handle());
  // Near the right edge of the work area it moves left by its width + 2.
  RECT work{};
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  const int w = r.right - r.left;
  plain->ActivateHint(RECT{work.right - 5, 100, work.right - 5, 100}, "Alpha");
  ::GetWindowRect(plain->Handle(), &r);
  EXPECT_EQ(r.left, work.right - 5 - (w + 2));
  EXPECT_EQ(r.right - r.left, w);
}

}  // namespace
}  // namespace platform::ui
