// The skinned form's window states on real windows: minimizing forms other than the main one into
// a row at the bottom of the work area, maximizing, rolling up, restoring each by its button, the
// caption and the system menu; and the system menu opened for real by a right click on the
// caption and by Alt+Space.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "form_test_window.h"
#include "platform/text.h"
#include "skin/resource_strings.h"
#include "skin/skin_data.h"
#include "skin/win32/skin_form.h"

namespace skin {
namespace {

using namespace skin::formtest;

Rect ToRect(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }

RECT WorkArea() {
  RECT work{};
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  return work;
}

Point Centre(const Rect& r) { return {(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2}; }

// A press and release on a frame object, as the platform delivers them: the non-client press,
// then the release to the window that captured the mouse.
void Click(SkinnedWindow& w, const char* id) {
  w.Activate();
  TbsActiveSkinObject* o = w.form.FindObject(id);
  ASSERT_NE(o, nullptr) << id;
  ASSERT_TRUE(o->Visible && o->Enabled) << id;
  const Point p = Centre(o->ObjectRect);
  const HWND h = w.window.hwnd;
  ::SendMessageW(h, WM_NCMOUSEMOVE, 19, w.window.ScreenPoint(p.X, p.Y));
  ::SendMessageW(h, WM_NCLBUTTONDOWN, 19, w.window.ScreenPoint(p.X, p.Y));
  ::SendMessageW(h, WM_LBUTTONUP, 0, w.window.ClientPoint(p.X, p.Y));
}

void DoubleClickCaption(SkinnedWindow& w) {
  const Rect& caption = w.form.FindObject("caption")->ObjectRect;
  const Point p{caption.Left + 10, Centre(caption).Y};
  ASSERT_EQ(::SendMessageW(w.window.hwnd, WM_NCHITTEST, 0, w.window.ScreenPoint(p.X, p.Y)), HTCAPTION);
  ::SendMessageW(w.window.hwnd, WM_NCLBUTTONDBLCLK, HTCAPTION, w.window.ScreenPoint(p.X, p.Y));
}

// The colour the frame shows in the middle of an object, once a button left by the mouse has
// blended back from its hover look.
Color ObjectColour(SkinnedWindow& w, const char* id) {
  for (int i = 0; i < 100 && w.form.MorphTimerRunning(); ++i) Pump(10);
  Bitmap frame;
  w.form.RenderFrame(frame);
  const Point p = Centre(w.form.FindObject(id)->ObjectRect);
  return PixelToColor(frame.Pixel(p.X, p.Y));
}

// A skinned form owned by another window, so not the application's main form, sizeable and with
// every border icon.
struct OwnedForm : SkinnedWindow {
  std::vector<std::string>* events;
  OwnedForm(HWND owner, int w, int h, std::vector<std::string>* log, const std::string& name)
      : SkinnedWindow(false, WS_THICKFRAME, owner, w, h), events(log) {
    form.SetBorderIcons(kDefaultBorderIcons);
    form.OnMinimize = [this, name] { events->push_back("minimize " + name); };
    form.OnRestore = [this, name] { events->push_back("restore " + name); };
    form.OnMaximize = [this, name] { events->push_back("maximize " + name); };
    ::ShowWindow(window.hwnd, SW_SHOWNOACTIVATE);
  }
};

constexpr Color kMinimizeLook = kCloseNormal + 1;  // the minimize and maximize buttons' sheet row
constexpr Color kRestoreLook = kCloseNormal + 3;   // their restore row

// ---- the real popup of the system menu

// The popup window of an open menu on this thread, or null.
HWND VisibleMenuWindow() {
  HWND found = nullptr;
  ::EnumThreadWindows(
      ::GetCurrentThreadId(),
      [](HWND hwnd, LPARAM out) -> BOOL {
        wchar_t name[16] = {};
        ::GetClassNameW(hwnd, name, 16);
        if (std::wstring(name) != L"#32768" || !::IsWindowVisible(hwnd)) return TRUE;
        *reinterpret_cast<HWND*>(out) = hwnd;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found;
}

// Watches the form's menu loop through the messages its owner window gets: reads the items of the
// menu when it opens, and once the loop is idle either ends the menu or chooses an item by its
// access key. A watchdog ends the menu whatever happens, so a menu that never goes idle cannot
// hang the test.
class OpenMenuProbe {
 public:
  explicit OpenMenuProbe(TestWindow& owner, wchar_t chooseKey = 0) : owner_(owner), choose_(chooseKey) {
    owner_.onMessage = [this](UINT msg, WPARAM wparam, LPARAM) { OnMessage(msg, wparam); };
    watchdog_fired_ = false;
    watchdog_ = ::SetTimer(nullptr, 0, 5000, &Watchdog);
  }
  ~OpenMenuProbe() {
    ::KillTimer(nullptr, watchdog_);
    owner_.onMessage = nullptr;
  }
  OpenMenuProbe(const OpenMenuProbe&) = delete;
  OpenMenuProbe& operator=(const OpenMenuProbe&) = delete;

  bool opened = false;  // the menu loop sent its first-open notice
  bool idle = false;    // the menu was shown and waiting for input
  std::vector<std::string> items;  // "caption\tshort cut", or "-" for a separator
  RECT shownAt{};                  // the popup window's bounds while it was open
  static bool WatchdogFired() { return watchdog_fired_; }

 private:
  static void CALLBACK Watchdog(HWND, UINT, UINT_PTR, DWORD) {
    watchdog_fired_ = true;
    ::EndMenu();
  }

  void OnMessage(UINT msg, WPARAM wparam) {
    if (msg == WM_INITMENUPOPUP) {
      opened = true;
      ReadItems(reinterpret_cast<HMENU>(wparam));
    } else if (msg == WM_ENTERIDLE && wparam == MSGF_MENU && !idle) {
      idle = true;
      if (HWND popup = VisibleMenuWindow()) ::GetWindowRect(popup, &shownAt);
      // The menu loop reads keys from the thread's queue, whatever window they were posted to.
      if (choose_) ::PostMessageW(owner_.hwnd, WM_CHAR, choose_, 0);
      else ::EndMenu();
    }
  }

  void ReadItems(HMENU menu) {
    items.clear();
    const int n = ::GetMenuItemCount(menu);
    for (int i = 0; i < n; ++i) {
      wchar_t text[128] = {};
      MENUITEMINFOW info{};
      info.cbSize = sizeof(info);
      info.fMask = MIIM_FTYPE | MIIM_STRING;
      info.dwTypeData = text;
      info.cch = 127;
      ::GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &info);
      items.push_back((info.fType & MFT_SEPARATOR) ? std::string("-") : platform::Narrow(text));
    }
  }

  TestWindow& owner_;
  wchar_t choose_;
  UINT_PTR watchdog_ = 0;
  static inline bool watchdog_fired_ = false;
};

void SendMouse(DWORD flags) {
  INPUT in{};
  in.type = INPUT_MOUSE;
  in.mi.dwFlags = flags;
  ::SendInput(1, &in, sizeof(in));
}

void SendKey(WORD vk, bool up) {
  INPUT in{};
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = vk;
  in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  ::SendInput(1, &in, sizeof(in));
}

// ---- tests

TEST(FormWindowState, NonMainFormsMinimizeIntoARowAtTheBottomLeft) {
  TestWindow owner(300, 200);
  std::vector<std::string> events;
  OwnedForm a(owner.hwnd, 500, 300, &events, "a");
  OwnedForm b(owner.hwnd, 420, 260, &events, "b");
  Pump(50);
  ASSERT_FALSE(a.form.IsMainForm());
  const RECT aBefore = a.window.Bounds(), bBefore = b.window.Bounds();
  const RECT work = WorkArea();

  // a by its minimize button, b by its WindowState: both shrink to 200 x 25, side by side.
  Click(a, "minbutton");
  b.form.SetWindowState(wsMinimized);
  EXPECT_EQ(a.form.WindowState(), wsMinimized);
  EXPECT_EQ(b.form.WindowState(), wsMinimized);
  EXPECT_FALSE(::IsIconic(a.window.hwnd));
  EXPECT_EQ(ToRect(a.window.Bounds()), (Rect{work.left, work.bottom - 25, work.left + 200, work.bottom}));
  EXPECT_EQ(ToRect(b.window.Bounds()), (Rect{work.left + 200, work.bottom - 25, work.left + 400, work.bottom}));
  // Only the caption is left: no client area, no sizing border.
  EXPECT_EQ(a.window.ClientSize().cy, 0);
  EXPECT_EQ(::SendMessageW(a.window.hwnd, WM_NCHITTEST, 0, a.window.ScreenPoint(0, 12)), 19);
  // The minimize button offers the restore; the other buttons keep their look.
  EXPECT_EQ(ObjectColour(a, "minbutton"), kRestoreLook);
  EXPECT_EQ(ObjectColour(a, "maxbutton"), kMinimizeLook);
  const auto items = a.form.SystemMenuItems();
  ASSERT_FALSE(items.empty());
  EXPECT_NE(items[0].Command, SysMenuCommand::Minimize);

  // A form minimized while the others are down takes the next place.
  OwnedForm c(owner.hwnd, 300, 200, &events, "c");
  c.form.SetWindowState(wsMinimized);
  EXPECT_EQ(ToRect(c.window.Bounds()).Left, work.left + 400);
  Pump(50);
  SaveScreenshot("minimized_row.png", CaptureScreen(RECT{work.left, work.bottom - 60, work.left + 640, work.bottom}));

  // a back by its button, b by a double-click on its caption: each to its bounds from before.
  Click(a, "minbutton");
  EXPECT_EQ(a.form.WindowState(), wsNormal);
  EXPECT_EQ(ToRect(a.window.Bounds()), ToRect(aBefore));
  EXPECT_EQ(ObjectColour(a, "minbutton"), kMinimizeLook);
  // A skin change while minimized keeps the place and the bounds to return to.
  b.data.SendSkinMessage(SKM_BEGINCHANGE);
  b.data.SendSkinMessage(SKM_CHANGED);
  EXPECT_EQ(ToRect(b.window.Bounds()), (Rect{work.left + 200, work.bottom - 25, work.left + 400, work.bottom}));
  DoubleClickCaption(b);
  EXPECT_EQ(b.form.WindowState(), wsNormal);
  EXPECT_EQ(ToRect(b.window.Bounds()), ToRect(bBefore));
  // The place a left free is taken again.
  a.form.SetWindowState(wsMinimized);
  EXPECT_EQ(ToRect(a.window.Bounds()).Left, work.left);
  EXPECT_EQ(events, (std::vector<std::string>{"minimize a", "minimize b", "minimize c", "restore a", "restore b",
                                              "minimize a"}));
}

TEST(FormWindowState, MaximizeTakesTheWorkAreaAndRestores) {
  TestWindow owner(300, 200);
  std::vector<std::string> events;
  OwnedForm w(owner.hwnd, 500, 300, &events, "w");
  Pump(50);
  const RECT before = w.window.Bounds();
  const RECT work = WorkArea();
  // By the button and back.
  Click(w, "maxbutton");
  EXPECT_TRUE(::IsZoomed(w.window.hwnd));
  EXPECT_EQ(w.form.WindowState(), wsMaximized);
  EXPECT_EQ(ToRect(w.window.Bounds()), ToRect(work));
  EXPECT_EQ(ObjectColour(w, "maxbutton"), kRestoreLook);
  // Maximized, the border gives no sizing codes.
  EXPECT_EQ(::SendMessageW(w.window.hwnd, WM_NCHITTEST, 0, w.window.ScreenPoint(0, 150)), 19);
  Click(w, "maxbutton");
  EXPECT_FALSE(::IsZoomed(w.window.hwnd));
  EXPECT_EQ(w.form.WindowState(), wsNormal);
  EXPECT_EQ(ToRect(w.window.Bounds()), ToRect(before));
  EXPECT_EQ(ObjectColour(w, "maxbutton"), kMinimizeLook);
  // By the caption and back.
  DoubleClickCaption(w);
  EXPECT_TRUE(::IsZoomed(w.window.hwnd));
  EXPECT_EQ(ToRect(w.window.Bounds()), ToRect(work));
  DoubleClickCaption(w);
  EXPECT_FALSE(::IsZoomed(w.window.hwnd));
  EXPECT_EQ(ToRect(w.window.Bounds()), ToRect(before));
  // Minimized from maximized, then restored: maximized again, and its normal bounds kept.
  Click(w, "maxbutton");
  Click(w, "minbutton");
  EXPECT_FALSE(::IsZoomed(w.window.hwnd));
  EXPECT_EQ(ToRect(w.window.Bounds()), (Rect{work.left, work.bottom - 25, work.left + 200, work.bottom}));
  Click(w, "minbutton");
  EXPECT_TRUE(::IsZoomed(w.window.hwnd));
  EXPECT_EQ(w.form.WindowState(), wsMaximized);
  Click(w, "maxbutton");
  EXPECT_EQ(ToRect(w.window.Bounds()), ToRect(before));
  EXPECT_EQ(events, (std::vector<std::string>{"maximize w", "restore w", "maximize w", "restore w", "maximize w",
                                              "minimize w", "restore w", "restore w"}));
}

TEST(FormWindowState, RollUpLeavesTheCaption) {
  TestWindow owner(300, 200);
  std::vector<std::string> events;
  OwnedForm w(owner.hwnd, 500, 300, &events, "w");
  int changes = 0;
  w.form.OnChangeRollUpState = [&] { ++changes; };
  Pump(50);
  const RECT before = w.window.Bounds();
  Click(w, "rollupbutton");
  EXPECT_TRUE(w.form.RolledUp());
  EXPECT_EQ(ToRect(w.window.Bounds()), (Rect{before.left, before.top, before.right, before.top + 25}));
  EXPECT_EQ(w.window.ClientSize().cy, 0);
  // Rolled up, the bottom edge does not size the window.
  EXPECT_EQ(::SendMessageW(w.window.hwnd, WM_NCHITTEST, 0, w.window.ScreenPoint(250, 24)), 19);
  // The caption of a sizeable form unrolls it.
  DoubleClickCaption(w);
  EXPECT_FALSE(w.form.RolledUp());
  EXPECT_EQ(ToRect(w.window.Bounds()), ToRect(before));
  // A set ClientHeight decides the height after unrolling.
  Click(w, "rollupbutton");
  w.form.ClientHeight = 150;
  Click(w, "rollupbutton");
  EXPECT_EQ(w.window.ClientSize().cy, 150);
  EXPECT_EQ(changes, 4);
  // A fixed form's caption rolls it up and down.
  SkinnedWindow fixed(false, 0, owner.hwnd);
  fixed.form.SetBorderIcons(kDefaultBorderIcons);
  const RECT fixedBefore = fixed.window.Bounds();
  DoubleClickCaption(fixed);
  EXPECT_TRUE(fixed.form.RolledUp());
  EXPECT_EQ(fixed.window.Bounds().bottom - fixed.window.Bounds().top, 25);
  DoubleClickCaption(fixed);
  EXPECT_EQ(ToRect(fixed.window.Bounds()), ToRect(fixedBefore));
}

TEST(FormSystemMenu, RightClickOnTheCaptionOpensItAtTheCursor) {
  SkinnedWindow w;
  TbsResourceStrData strings;
  strings.SetResStrings(MainWindowResStrings());
  w.data.SetResourceStrData(&strings);
  ::ShowWindow(w.window.hwnd, SW_SHOWNORMAL);
  ::SetForegroundWindow(w.window.hwnd);
  Pump(100);
  const RECT b = w.window.Bounds();
  const POINT at{b.left + 300, b.top + 12};
  ::SetCursorPos(at.x, at.y);
  Pump(30);
  {
    OpenMenuProbe probe(w.window);
    SendMouse(MOUSEEVENTF_RIGHTDOWN);
    for (int i = 0; i < 40 && !probe.idle; ++i) Pump(25);
    EXPECT_FALSE(OpenMenuProbe::WatchdogFired());
    ASSERT_TRUE(probe.opened) << "no menu opened";
    EXPECT_TRUE(probe.idle);
    EXPECT_EQ(probe.items, (std::vector<std::string>{"최소화", "-", "닫기\tAlt+F4"}));
    EXPECT_EQ(probe.shownAt.left, at.x);
    EXPECT_EQ(probe.shownAt.top, at.y);
  }
  SendMouse(MOUSEEVENTF_RIGHTUP);
  Pump(50);
  // Closed without a choice: the window is as it was, and no menu is left open.
  EXPECT_FALSE(w.form.MenuTracking());
  EXPECT_FALSE(::IsIconic(w.window.hwnd));
  EXPECT_FALSE(w.window.closed);
  EXPECT_EQ(VisibleMenuWindow(), nullptr);
  // With DisableSystemMenu no menu opens, neither the skinned one nor the platform's own.
  w.form.DisableSystemMenu = true;
  {
    OpenMenuProbe probe(w.window);
    SendMouse(MOUSEEVENTF_RIGHTDOWN);
    Pump(150);
    SendMouse(MOUSEEVENTF_RIGHTUP);
    Pump(150);
    EXPECT_FALSE(probe.opened);
    EXPECT_EQ(VisibleMenuWindow(), nullptr);
  }
  EXPECT_FALSE(OpenMenuProbe::WatchdogFired());
  w.data.SetResourceStrData(nullptr);
}

TEST(FormSystemMenu, AltSpaceOpensItUnderTheSystemMenuButton) {
  SkinnedWindow w;
  ::ShowWindow(w.window.hwnd, SW_SHOWNORMAL);
  ::SetForegroundWindow(w.window.hwnd);
  ::SetFocus(w.window.hwnd);
  Pump(100);
  const Rect button = w.form.FindObject("sysmenubutton")->ObjectRect;
  const RECT b = w.window.Bounds();
  {
    OpenMenuProbe probe(w.window);
    SendKey(VK_MENU, false);
    SendKey(VK_SPACE, false);
    for (int i = 0; i < 40 && !probe.idle; ++i) Pump(25);
    EXPECT_FALSE(OpenMenuProbe::WatchdogFired());
    ASSERT_TRUE(probe.opened) << "no menu opened";
    EXPECT_EQ(probe.items, (std::vector<std::string>{"Mi&nimize", "-", "&Close\tAlt+F4"}));
    EXPECT_EQ(probe.shownAt.left, b.left + button.Left);
    EXPECT_EQ(probe.shownAt.top, b.top + button.Bottom);
  }
  SendKey(VK_SPACE, true);
  SendKey(VK_MENU, true);
  Pump(50);
  // A press on the system-menu button opens it at the same place.
  {
    OpenMenuProbe probe(w.window);
    Click(w, "sysmenubutton");
    EXPECT_FALSE(OpenMenuProbe::WatchdogFired());
    EXPECT_TRUE(probe.idle);
    EXPECT_EQ(probe.items.size(), 3u);
    EXPECT_EQ(probe.shownAt.left, b.left + button.Left);
    EXPECT_EQ(probe.shownAt.top, b.top + button.Bottom);
  }
  EXPECT_FALSE(::IsIconic(w.window.hwnd));
  EXPECT_FALSE(w.window.closed);
}

TEST(FormSystemMenu, ItemsOfTheOpenMenuRunTheirCommands) {
  TestWindow owner(300, 200);
  std::vector<std::string> events;
  OwnedForm w(owner.hwnd, 500, 300, &events, "w");
  ::SetForegroundWindow(w.window.hwnd);
  Pump(50);
  const RECT before = w.window.Bounds();
  auto choose = [&](wchar_t key) {
    OpenMenuProbe probe(w.window, key);
    const RECT b = w.window.Bounds();
    w.form.ShowSystemMenu(POINT{b.left + 40, b.top + 24}, false);
    EXPECT_FALSE(OpenMenuProbe::WatchdogFired());
    EXPECT_TRUE(probe.idle);
    return probe.items;
  };
  EXPECT_EQ(choose('l'), (std::vector<std::string>{"Mi&nimize", "Ma&ximize", "Ro&llUp", "-", "&Close\tAlt+F4"}));
  EXPECT_TRUE(w.form.RolledUp());
  EXPECT_EQ(choose('r'), (std::vector<std::string>{"Mi&nimize", "Ma&ximize", "&Restore", "-", "&Close\tAlt+F4"}));
  EXPECT_FALSE(w.form.RolledUp());
  EXPECT_EQ(ToRect(w.window.Bounds()), ToRect(before));
  choose('n');
  EXPECT_EQ(w.form.WindowState(), wsMinimized);
  EXPECT_EQ(choose('r'), (std::vector<std::string>{"Ma&ximize", "&Restore", "-", "&Close\tAlt+F4"}));
  EXPECT_EQ(w.form.WindowState(), wsNormal);
  EXPECT_EQ(ToRect(w.window.Bounds()), ToRect(before));
  choose('x');
  EXPECT_TRUE(::IsZoomed(w.window.hwnd));
  choose('r');
  EXPECT_EQ(ToRect(w.window.Bounds()), ToRect(before));
  choose('c');
  Pump(50);
  EXPECT_TRUE(w.window.closed);
}

}  // namespace
}  // namespace skin
