// The skinned frame on real windows: non-client size, hit codes, the mask region, hover morphs,
// button presses, the caption, the system menu, skin changes, showing; and screenshots of every
// carried skin, active and inactive.
#include <gtest/gtest.h>
#include <windows.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "draw_golden.h"
#include "platform/text.h"
#include "platform/ui/application.h"
#include "skin/resource_strings.h"
#include "skin/skin_data.h"
#include "skin/win32/skin_form.h"
#include "skin/win32/skin_hint.h"
#include "skin/skin_package.h"
#include "form_test_window.h"

namespace skin {
namespace {

using namespace skin::formtest;

// ---- tests

TEST(FormWindow, NonClientSizeWithAndWithoutSkin) {
  SkinnedWindow w;
  EXPECT_EQ(w.window.ClientSize().cx, 634);
  EXPECT_EQ(w.window.ClientSize().cy, 362);
  const RECT before = w.window.Bounds();
  // Without the skin the plain 3-pixel frame with its 19-pixel caption; the outer bounds stay.
  w.form.SetSkinData(nullptr);
  EXPECT_EQ(w.window.ClientSize().cx, 630);
  EXPECT_EQ(w.window.ClientSize().cy, 387 - 6 - 19);
  const RECT after = w.window.Bounds();
  EXPECT_TRUE(::EqualRect(&before, &after));
}

TEST(FormWindow, SkinChangeKeepsOuterBounds) {
  SkinnedWindow w;
  ::SetWindowPos(w.window.hwnd, nullptr, 150, 120, 500, 300, SWP_NOZORDER | SWP_NOACTIVATE);
  const RECT before = w.window.Bounds();
  // A skin with a thicker frame: the client area shrinks, the window does not move or grow.
  TbsSkinData thick;
  BuildSkin(thick, false);
  thick.clientrect = {6, 30, 230, 170};
  w.data.SendSkinMessage(SKM_BEGINCHANGE);
  w.form.SetSkinData(&thick);
  const RECT after = w.window.Bounds();
  EXPECT_TRUE(::EqualRect(&before, &after));
  EXPECT_EQ(w.window.ClientSize().cx, 500 - 6 - 6);
  EXPECT_EQ(w.window.ClientSize().cy, 300 - 30 - 8);
}

TEST(FormWindow, HitCodes) {
  SkinnedWindow fixed;
  SkinnedWindow sizeable(false, WS_THICKFRAME);
  struct Case {
    const char* what;
    SkinnedWindow* w;
    int x, y;
    LRESULT expected;
  } cases[] = {
      {"client", &fixed, 300, 200, HTCLIENT},
      {"caption text", &fixed, 300, 12, HTCAPTION},
      {"close button", &fixed, 620, 12, 19},
      {"minimize button", &fixed, 590, 12, 19},
      {"system-menu icon", &fixed, 8, 12, 19},
      {"border of a fixed window", &fixed, 0, 200, 19},
      {"left border, halfway down", &sizeable, 0, 193, HTLEFT},
      {"bottom-right corner", &sizeable, 633, 384, HTBOTTOMRIGHT},
      {"top edge", &sizeable, 300, 1, HTTOP},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(::SendMessageW(c.w->window.hwnd, WM_NCHITTEST, 0, c.w->window.ScreenPoint(c.x, c.y)), c.expected);
  }
}

TEST(FormWindow, MaskRegion) {
  SkinnedWindow w(true);
  const platform::ui::UniqueRegion region(::CreateRectRgn(0, 0, 0, 0));
  HRGN rgn = region.get();
  ASSERT_NE(::GetWindowRgn(w.window.hwnd, rgn), ERROR);
  RECT box{};
  ::GetRgnBox(rgn, &box);
  EXPECT_EQ(box.left, 0);
  EXPECT_EQ(box.top, 0);
  EXPECT_EQ(box.right, 636);
  EXPECT_EQ(box.bottom, 387);
  const DWORD size = ::GetRegionData(rgn, 0, nullptr);
  std::vector<char> buf(size);
  auto* data = reinterpret_cast<RGNDATA*>(buf.data());
  ASSERT_EQ(::GetRegionData(rgn, size, data), size);
  // Rows 0..2 are cut at both ends (3 bands), the rest is one rectangle.
  EXPECT_EQ(data->rdh.nCount, 4u);
  EXPECT_FALSE(::PtInRegion(rgn, 0, 0));
  EXPECT_FALSE(::PtInRegion(rgn, 635, 1));
  EXPECT_TRUE(::PtInRegion(rgn, 3, 0));
  EXPECT_TRUE(::PtInRegion(rgn, 0, 3));
  EXPECT_TRUE(::PtInRegion(rgn, 635, 386));
  // Without a mask the window is rectangular.
  SkinnedWindow plain(false);
  const platform::ui::UniqueRegion plain_region(::CreateRectRgn(0, 0, 0, 0));
  ::GetWindowRgn(plain.window.hwnd, plain_region.get());
  EXPECT_TRUE(::PtInRegion(plain_region.get(), 0, 0));
}

TEST(FormWindow, HoverMorphsInFiveStepsAndBack) {
  SkinnedWindow w;
  ::ShowWindow(w.window.hwnd, SW_SHOWNORMAL);
  ::SetForegroundWindow(w.window.hwnd);
  Pump(100);
  w.Activate();
  TbsActiveSkinObject* close = w.form.FindObject("closebutton");
  ASSERT_NE(close, nullptr);
  const RECT b = w.window.Bounds();
  const POINT at{b.left + (close->ObjectRect.Left + close->ObjectRect.Right) / 2,
                 b.top + (close->ObjectRect.Top + close->ObjectRect.Bottom) / 2};
  ::SetCursorPos(at.x, at.y);
  ::SendMessageW(w.window.hwnd, WM_NCMOUSEMOVE, 19, MAKELPARAM(at.x, at.y));
  EXPECT_TRUE(close->Active);
  EXPECT_TRUE(w.form.MorphTimerRunning());
  // Each 25 ms tick moves the blend by a fifth: the values it passes through, in order. The
  // messages are taken one at a time so that a busy machine, which delays the ticks, cannot make
  // two of them look like one.
  std::vector<int> steps;
  const DWORD deadline = ::GetTickCount() + 3000;
  while (close->MorphKf < 1 && static_cast<int>(::GetTickCount() - deadline) < 0) {
    MSG msg;
    if (!::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      ::Sleep(1);
      continue;
    }
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
    const int tenth = static_cast<int>(close->MorphKf * 10 + 0.5);
    if (tenth != 0 && (steps.empty() || steps.back() != tenth)) steps.push_back(tenth);
  }
  EXPECT_DOUBLE_EQ(close->MorphKf, 1.0);
  EXPECT_EQ(steps, (std::vector<int>{2, 4, 6, 8, 10}));
  // Leaving: the hover poll finds the cursor elsewhere and the morph runs back.
  ::SetCursorPos(b.left + 300, b.top + 200);
  ::SendMessageW(w.window.hwnd, WM_NCMOUSEMOVE, HTCLIENT, MAKELPARAM(b.left + 300, b.top + 10));
  EXPECT_FALSE(close->Active);
  for (int i = 0; i < 300 && close->MorphKf > 0; ++i) Pump(10);
  EXPECT_DOUBLE_EQ(close->MorphKf, 0.0);
  Pump(60);
  EXPECT_FALSE(w.form.MorphTimerRunning());
}

TEST(FormWindow, NoHoverWhileInactive) {
  SkinnedWindow w;
  ::SendMessageW(w.window.hwnd, WM_NCACTIVATE, FALSE, 0);
  TbsActiveSkinObject* close = w.form.FindObject("closebutton");
  ::SendMessageW(w.window.hwnd, WM_NCMOUSEMOVE, 19, w.window.ScreenPoint(620, 12));
  EXPECT_FALSE(close->Active);
  EXPECT_EQ(w.form.HoverIndex(), -1);
}

TEST(FormWindow, CloseRunsOnlyOnReleaseInside) {
  SkinnedWindow w;
  ::ShowWindow(w.window.hwnd, SW_SHOWNORMAL);
  Pump(50);
  w.Activate();
  auto* close = dynamic_cast<TbsSkinButtonObject*>(w.form.FindObject("closebutton"));
  ASSERT_NE(close, nullptr);
  const HWND h = w.window.hwnd;
  // Press on close, leave the button with the mouse held, release outside: nothing closes.
  ::SendMessageW(h, WM_NCMOUSEMOVE, 19, w.window.ScreenPoint(620, 12));
  ::SendMessageW(h, WM_NCLBUTTONDOWN, 19, w.window.ScreenPoint(620, 12));
  EXPECT_TRUE(close->Down);
  EXPECT_EQ(::GetCapture(), h);
  ::SendMessageW(h, WM_MOUSEMOVE, MK_LBUTTON, w.window.ClientPoint(300, 200));
  EXPECT_FALSE(close->Active);
  ::SendMessageW(h, WM_LBUTTONUP, 0, w.window.ClientPoint(300, 200));
  EXPECT_FALSE(close->Down);
  Pump(50);
  EXPECT_FALSE(w.window.closed);
  EXPECT_EQ(w.form.PressedIndex(), -1);
  // Press and release on it: the form closes.
  ::SendMessageW(h, WM_NCMOUSEMOVE, 19, w.window.ScreenPoint(620, 12));
  ::SendMessageW(h, WM_NCLBUTTONDOWN, 19, w.window.ScreenPoint(620, 12));
  ::SendMessageW(h, WM_LBUTTONUP, 0, w.window.ClientPoint(620, 12));
  Pump(50);
  EXPECT_TRUE(w.window.closed);
}

TEST(FormWindow, LostCaptureEndsThePressWithoutCommand) {
  SkinnedWindow w;
  ::ShowWindow(w.window.hwnd, SW_SHOWNORMAL);
  Pump(50);
  w.Activate();
  auto* close = dynamic_cast<TbsSkinButtonObject*>(w.form.FindObject("closebutton"));
  const HWND h = w.window.hwnd;
  ::SendMessageW(h, WM_NCMOUSEMOVE, 19, w.window.ScreenPoint(620, 12));
  ::SendMessageW(h, WM_NCLBUTTONDOWN, 19, w.window.ScreenPoint(620, 12));
  ASSERT_TRUE(close->Down);
  TestWindow other(100, 100);
  ::SetCapture(other.hwnd);
  EXPECT_FALSE(close->Down);
  EXPECT_EQ(w.form.PressedIndex(), -1);
  ::ReleaseCapture();
  ::SendMessageW(h, WM_LBUTTONUP, 0, w.window.ClientPoint(620, 12));
  Pump(50);
  EXPECT_FALSE(w.window.closed);
  // The next hover works again.
  ::SendMessageW(h, WM_NCMOUSEMOVE, 19, w.window.ScreenPoint(590, 12));
  EXPECT_TRUE(w.form.FindObject("minbutton")->Active);
}

TEST(FormWindow, CaptionIsCutAndRepaintedAtOnce) {
  SkinnedWindow w;
  w.Activate();
  auto* caption = dynamic_cast<TbsSkinCaptionObject*>(w.form.FindObject("caption"));
  ASSERT_NE(caption, nullptr);
  EXPECT_EQ(caption->DrawnText, "Halvex UPDATE");
  // Set while shown: the frame is repainted inside the caption change itself.
  ::SetWindowTextW(w.window.hwnd, L"Other title");
  EXPECT_EQ(caption->DrawnText, "Other title");
  const std::string longTitle(300, 'W');
  ::SetWindowTextW(w.window.hwnd, platform::Widen(longTitle).c_str());
  const std::string& shown = caption->DrawnText;
  ASSERT_GE(shown.size(), 3u);
  EXPECT_EQ(shown.substr(shown.size() - 3), "...");
  EXPECT_LT(shown.size(), longTitle.size());
}

TEST(FormWindow, MainWindowButtonsAndSystemMenu) {
  SkinnedWindow w;
  TbsResourceStrData strings;
  strings.SetResStrings(MainWindowResStrings());
  w.data.SetResourceStrData(&strings);
  auto shown = [&](const char* id) {
    TbsActiveSkinObject* o = w.form.FindObject(id);
    return o && o->Visible && o->Enabled;
  };
  EXPECT_TRUE(shown("closebutton"));
  EXPECT_TRUE(shown("minbutton"));
  EXPECT_TRUE(shown("sysmenubutton"));
  EXPECT_FALSE(shown("maxbutton"));
  EXPECT_EQ(w.form.FindObject("closebutton")->ObjectRect, (Rect{605, 2, 634, 24}));
  EXPECT_EQ(w.form.FindObject("minbutton")->ObjectRect, (Rect{576, 2, 605, 24}));
  const auto items = w.form.SystemMenuItems();
  ASSERT_EQ(items.size(), 3u);
  EXPECT_EQ(items[0].Caption, "최소화");
  EXPECT_EQ(items[1].Command, SysMenuCommand::Separator);
  EXPECT_EQ(items[2].Caption, "닫기");
  EXPECT_EQ(items[2].ShortCut, "Alt+F4");
  // DisableSystemMenu hides the system-menu button.
  w.form.DisableSystemMenu = true;
  w.form.SetBorderIcons(biSystemMenu | biMinimize);
  EXPECT_FALSE(shown("sysmenubutton"));
  w.data.SetResourceStrData(nullptr);
}

TEST(FormWindow, MinimizeMinimizesTheApplicationAndKeepsStateNormal) {
  SkinnedWindow w;
  ::ShowWindow(w.window.hwnd, SW_SHOWNORMAL);
  Pump(50);
  w.form.RunCommand(cmMinimize);
  Pump(50);
  EXPECT_TRUE(::IsIconic(w.window.hwnd));
  EXPECT_EQ(w.form.WindowState(), wsNormal);
  // A caption double-click on the main window changes nothing.
  ::ShowWindow(w.window.hwnd, SW_RESTORE);
  Pump(50);
  const RECT before = w.window.Bounds();
  ::SendMessageW(w.window.hwnd, WM_NCLBUTTONDBLCLK, HTCAPTION, w.window.ScreenPoint(300, 12));
  const RECT after = w.window.Bounds();
  EXPECT_TRUE(::EqualRect(&before, &after));
  EXPECT_FALSE(::IsZoomed(w.window.hwnd));
}

TEST(FormWindow, FirstShowCentresAndFadesIn) {
  SkinnedWindow w;
  w.data.AnimationForAllWindows = true;
  ::ShowWindow(w.window.hwnd, SW_SHOWNORMAL);
  Pump(400);
  RECT work{};
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  const RECT b = w.window.Bounds();
  EXPECT_EQ(b.left, work.left + (work.right - work.left) / 2 - 636 / 2);
  EXPECT_EQ(b.top, work.top + (work.bottom - work.top) / 2 - 387 / 2);
  EXPECT_EQ(w.form.LastFadeSteps(), 15);
  EXPECT_EQ(::GetWindowLongW(w.window.hwnd, GWL_EXSTYLE) & WS_EX_LAYERED, 0);
  // Later shows keep the position.
  ::ShowWindow(w.window.hwnd, SW_HIDE);
  ::SetWindowPos(w.window.hwnd, nullptr, 10, 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  ::ShowWindow(w.window.hwnd, SW_SHOWNORMAL);
  Pump(300);
  EXPECT_EQ(w.window.Bounds().left, 10);
  EXPECT_EQ(w.window.Bounds().top, 20);
}

TEST(FormWindow, MinimumTrackSize) {
  SkinnedWindow w;
  MINMAXINFO info{};
  ::SendMessageW(w.window.hwnd, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
  EXPECT_EQ(info.ptMinTrackSize.x, 200);
  EXPECT_EQ(info.ptMinTrackSize.y, 25);
}

TEST(FormWindow, HintShowsNearTheCursorAndHides) {
  TbsSkinHint hint;
  hint.ShowHintNow("Close@Window");
  EXPECT_TRUE(hint.Window().Visible());
  EXPECT_EQ(hint.Window().Text(), "Close\n\rWindow");
  RECT r{};
  ::GetWindowRect(hint.Window().Handle(), &r);
  RECT work{};
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  EXPECT_LE(r.right, work.right);
  EXPECT_GT(r.right - r.left, 4);
  hint.HideHint();
  EXPECT_FALSE(hint.Window().Visible());
}

TEST(FormWindow, SkinMessagesInTheirOrder) {
  SkinnedWindow w;
  std::vector<std::string> events;
  w.form.OnBeforeChangeSkinData = [&] { events.push_back("before"); };
  w.form.OnChangeSkinData = [&] { events.push_back("changed"); };
  w.form.OnAfterChangeSkinData = [&] { events.push_back("after"); };
  w.form.OnResetControls = [&](TbsSkinData*) { events.push_back("reset controls"); };
  w.form.OnApplyControls = [&](TbsSkinData*) { events.push_back("apply controls"); };
  const HWND h = w.window.hwnd;
  auto send = [&](UINT msg, TbsSkinData* sender) {
    ::SendMessageW(h, msg, reinterpret_cast<WPARAM>(sender), kSkinMessageParam);
  };
  send(SKM_BEGINCHANGE, &w.data);
  // Between the two messages the form is unskinned, has no objects and paints no frame.
  EXPECT_FALSE(w.form.Skinned());
  EXPECT_TRUE(w.form.Objects().empty());
  send(SKM_CHANGED, &w.data);
  EXPECT_TRUE(w.form.Skinned());
  EXPECT_FALSE(w.form.Objects().empty());
  send(SKM_ENDCHANGE, &w.data);
  EXPECT_EQ(events, (std::vector<std::string>{"reset controls", "before", "changed", "apply controls", "after"}));
  // Another skin data's change re-applies the controls only.
  TbsSkinData other;
  events.clear();
  send(SKM_BEGINCHANGE, &other);
  send(SKM_CHANGED, &other);
  send(SKM_ENDCHANGE, &other);
  EXPECT_EQ(events, (std::vector<std::string>{"apply controls"}));
  EXPECT_TRUE(w.form.Skinned());
}

TEST(FormWindow, ResizingRelaysTheFrameOut) {
  SkinnedWindow w;
  ::SetWindowPos(w.window.hwnd, nullptr, 0, 0, 500, 300, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_EQ(w.form.Geometry().NewClRect, (Rect{1, 24, 499, 299}));
  EXPECT_EQ(w.form.FindObject("closebutton")->ObjectRect, (Rect{469, 2, 498, 24}));
  EXPECT_EQ(w.window.ClientSize().cx, 498);
}

TEST(FormWindow, DraggingSnapsToTheWorkAreaEdge) {
  SkinnedWindow w;
  RECT work{};
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  RECT proposed{work.left + 4, work.top + 200, work.left + 4 + 636, work.top + 200 + 387};
  ::SendMessageW(w.window.hwnd, WM_MOVING, WMSZ_LEFT, reinterpret_cast<LPARAM>(&proposed));
  EXPECT_EQ(proposed.left, work.left);
  EXPECT_EQ(proposed.right - proposed.left, 636);
  // Without Magnetic the proposed place stands.
  RECT away{work.left + 3, work.top + 200, work.left + 639, work.top + 587};
  w.form.Magnetic = false;
  ::SendMessageW(w.window.hwnd, WM_MOVING, WMSZ_LEFT, reinterpret_cast<LPARAM>(&away));
  EXPECT_EQ(away.left, work.left + 3);
}

TEST(FormWindow, ObjectHintFollowsTheHover) {
  SkinnedWindow w;
  TbsSkinHint hint;
  auto& app = platform::ui::Application::Instance();
  const unsigned pause = app.HintPause();
  app.SetHintPause(10);
  w.form.ShowObjectHint = true;
  w.form.SkinHint = &hint;
  ::ShowWindow(w.window.hwnd, SW_SHOWNORMAL);
  ::SetForegroundWindow(w.window.hwnd);
  Pump(50);
  w.Activate();
  const RECT b = w.window.Bounds();
  ::SetCursorPos(b.left + 620, b.top + 12);
  ::SendMessageW(w.window.hwnd, WM_NCMOUSEMOVE, 19, w.window.ScreenPoint(620, 12));
  Pump(100);
  EXPECT_TRUE(hint.Window().Visible());
  EXPECT_EQ(hint.Window().Text(), "Close");
  ::SendMessageW(w.window.hwnd, WM_NCMOUSEMOVE, 19, w.window.ScreenPoint(300, 12));
  EXPECT_FALSE(hint.Window().Visible());
  app.SetHintPause(pause);
}

TEST(FormWindow, FramePixels) {
  SkinnedWindow w;
  Bitmap frame;
  w.Activate();
  w.form.RenderFrame(frame);
  ASSERT_EQ(frame.Width(), 636);
  EXPECT_EQ(PixelToColor(frame.Pixel(0, 200)), kBorder);
  EXPECT_EQ(PixelToColor(frame.Pixel(400, 386)), kBorder);
  EXPECT_EQ(PixelToColor(frame.Pixel(1, 20)), kCaptionBand);
  EXPECT_EQ(PixelToColor(frame.Pixel(620, 20)), kCloseNormal);
  EXPECT_EQ(PixelToColor(frame.Pixel(590, 20)), kCloseNormal + 1);  // minimize, row 1 of the sheet
  // Inactive: the inactive picture's caption band.
  ::SendMessageW(w.window.hwnd, WM_NCACTIVATE, FALSE, 0);
  w.form.RenderFrame(frame);
  EXPECT_EQ(PixelToColor(frame.Pixel(1, 20)), kInactiveBand);
  EXPECT_EQ(PixelToColor(frame.Pixel(0, 200)), kBorder);
}

TEST(FormWindow, InactiveEffectGreysTheActivePieces) {
  TestWindow window;
  TbsSkinData data;
  BuildSkin(data, false, false);
  data.autorenderinginactiveimage = true;
  data.inactiveeffect = ieGrayScale;
  TbsSkinForm form;
  LauncherSettings(form);
  form.Attach(window.hwnd);
  form.SetSkinData(&data);
  Bitmap frame;
  ::SendMessageW(window.hwnd, WM_NCACTIVATE, TRUE, 0);
  form.RenderFrame(frame);
  EXPECT_EQ(PixelToColor(frame.Pixel(1, 20)), kCaptionBand);
  ::SendMessageW(window.hwnd, WM_NCACTIVATE, FALSE, 0);
  form.RenderFrame(frame);
  // Grey: the three channels agree, the band and the close button both.
  for (const POINT p : {POINT{1, 20}, POINT{620, 20}}) {
    const Color c = PixelToColor(frame.Pixel(p.x, p.y));
    EXPECT_EQ(RedOf(c), GreenOf(c));
    EXPECT_EQ(GreenOf(c), BlueOf(c));
    EXPECT_NE(c, kCaptionBand);
  }
}

// ---- screenshots of the carried skins

TEST(FormScreenshots, EverySkinActiveAndInactive) {
  const char* folders[] = {"AquaT",          "Office2013_Blue",   "Office2013_Green", "Office2013_Orange",
                           "Office2013_Purple", "Office2010_Black", "Office2010_Blue",  "Office2010_Silver",
                           "Ubuntu",         "iTunes10_std",      "iMetal",           "Laconic"};
  const char* dir = std::getenv("HALVEX_SKIN_DIR");
  const std::string base = dir ? dir : std::string(HALVEX_SOURCE_DIR) + "/assets/skins";
  const std::string outDir = std::string(HALVEX_SOURCE_DIR) + "/build/frame-win64/screenshots";
  ::CreateDirectoryW(platform::Widen(ToWinePath(outDir)).c_str(), nullptr);
  for (const char* folder : folders) {
    SCOPED_TRACE(folder);
    TbsCompressedStoredSkin stored;
    const std::string ini = ToWinePath(base + "/" + folder + "/skin.ini");
    ASSERT_NE(::GetFileAttributesW(platform::Widen(ini).c_str()), INVALID_FILE_ATTRIBUTES) << "missing " << ini;
    ASSERT_TRUE(stored.LoadFromSkinFile(ini));
    TestWindow window(420, 260);
    TbsSkinData data;
    data.LoadPackage(stored);
    ASSERT_FALSE(data.Empty);
    TbsSkinForm form;
    LauncherSettings(form);
    form.ShowIcon = true;
    form.Attach(window.hwnd);
    form.SetSkinData(&data);
    ::ShowWindow(window.hwnd, SW_SHOWNORMAL);
    ::SetForegroundWindow(window.hwnd);
    Pump(150);
    // The skin's hint picture around a caption-button hint.
    TbsSkinHint hint;
    hint.SetSkinData(&data);
    hint.ShowHintNow("Minimize");
    Pump(30);
    EXPECT_EQ(hint.Window().UsedSkinData(), &data);
    WritePng(ToWinePath(outDir + "/" + folder + "_hint.png"), CaptureWindow(hint.Window().Handle()));
    hint.HideHint();
    for (bool active : {true, false}) {
      ::SendMessageW(window.hwnd, WM_NCACTIVATE, active, 0);
      Pump(50);
      const Bitmap shot = CaptureWindow(window.hwnd);
      WritePng(ToWinePath(outDir + "/" + folder + (active ? "_active.png" : "_inactive.png")), shot);
      // Corners are copied from the picture unchanged: away from the caption text and buttons
      // the screen shows the skin's own pixels.
      const Bitmap& pic = (!active && !data.InactivePicture.Empty()) ? data.InactivePicture : data.Picture;
      const int W = shot.Width(), H = shot.Height();
      const struct {
        int x, y, px, py;
      } probes[] = {{4, H - 2, 4, pic.Height() - 2}, {W - 5, H - 2, pic.Width() - 5, pic.Height() - 2},
                    {1, data.lefttoppoint.Y - 2, 1, data.lefttoppoint.Y - 2}};
      for (const auto& p : probes) {
        if (!data.MaskPicture.Empty() && (data.MaskPicture.Pixel(p.px, p.py) & 0xFFFFFF) != 0) continue;
        EXPECT_EQ(shot.Pixel(p.x, p.y) & 0xFFFFFF, pic.Pixel(p.px, p.py) & 0xFFFFFF)
            << (active ? "active" : "inactive") << " at " << p.x << "," << p.y;
      }
    }
  }
}

TEST(FormScreenshots, PlainFrameWithoutSkin) {
  const std::string outDir = std::string(HALVEX_SOURCE_DIR) + "/build/frame-win64/screenshots";
  ::CreateDirectoryW(platform::Widen(ToWinePath(outDir)).c_str(), nullptr);
  TestWindow window(420, 260);
  TbsSkinForm form;
  LauncherSettings(form);
  form.Attach(window.hwnd);
  ::ShowWindow(window.hwnd, SW_SHOWNORMAL);
  ::SetForegroundWindow(window.hwnd);
  Pump(150);
  ::SendMessageW(window.hwnd, WM_NCACTIVATE, TRUE, 0);
  Pump(50);
  const Bitmap shot = CaptureWindow(window.hwnd);
  WritePng(ToWinePath(outDir + "/plain_active.png"), shot);
  // The outermost bevel: light on the top-left, dark shadow on the bottom-right; the caption
  // strip in the face colour at its ends.
  EXPECT_EQ(PixelToColor(shot.Pixel(0, 100)), ::GetSysColor(COLOR_3DLIGHT));
  EXPECT_EQ(PixelToColor(shot.Pixel(419, 100)), ::GetSysColor(COLOR_3DDKSHADOW));
  EXPECT_EQ(PixelToColor(shot.Pixel(200, 259)), ::GetSysColor(COLOR_3DDKSHADOW));
  EXPECT_EQ(window.ClientSize().cx, 420 - 6);
  EXPECT_EQ(window.ClientSize().cy, 260 - 6 - 19);
  // The plain frame's close button takes presses too.
  EXPECT_EQ(::SendMessageW(window.hwnd, WM_NCHITTEST, 0, window.ScreenPoint(410, 12)), 19);
}

}  // namespace
}  // namespace skin
