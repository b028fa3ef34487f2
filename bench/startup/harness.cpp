// Measuring harness for the launcher's window and the plain floor window, run under Wine.
//
//   harness startup  EXE [ARGS]       start EXE, report the time from process creation until its
//                                     top-level window is visible and until the window's content
//                                     (logo area and status strip, read back from the screen) has
//                                     reached its final state; then time full synchronous repaints
//                                     of the window until DEADLINE_MS after it became visible; the
//                                     process is then ended.
//   harness extract  LOG EXE [ARGS]   start the launcher, report the time from its window becoming
//                                     visible, and from the first text appearing in its label (read
//                                     back from the screen), until LOG (written by the restarted
//                                     stand-in) exists.
//   harness timed    EXE [ARGS]       start EXE and report the time until it exits, and its exit code.
//
// Output is one line of "key=value" pairs per run, read by bench/startup/run.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point a, Clock::time_point b) {
  return std::chrono::duration<double, std::milli>(b - a).count();
}

std::wstring Quote(const std::wstring& s) {
  if (!s.empty() && s.find_first_of(L" \t\"") == std::wstring::npos) return s;
  std::wstring out = L"\"";
  for (wchar_t c : s) {
    if (c == L'"') out += L'\\';
    out += c;
  }
  return out + L"\"";
}

bool Start(int argc, wchar_t** argv, int first, PROCESS_INFORMATION* pi) {
  std::wstring cmd;
  for (int i = first; i < argc; ++i) {
    if (!cmd.empty()) cmd += L' ';
    cmd += Quote(argv[i]);
  }
  STARTUPINFOW si = {sizeof(si)};
  return ::CreateProcessW(argv[first], cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, pi) != 0;
}

// The visible top-level window of the process whose client area is at least 600 x 300 (the main
// window, not a hint or a message box).
HWND FindMainWindow(DWORD pid) {
  struct Ctx {
    DWORD pid;
    HWND found;
  } ctx{pid, nullptr};
  ::EnumWindows(
      [](HWND hwnd, LPARAM lp) -> BOOL {
        auto* c = reinterpret_cast<Ctx*>(lp);
        DWORD owner = 0;
        ::GetWindowThreadProcessId(hwnd, &owner);
        if (owner != c->pid || !::IsWindowVisible(hwnd)) return TRUE;
        RECT rc;
        ::GetClientRect(hwnd, &rc);
        if (rc.right < 600 || rc.bottom < 300) return TRUE;
        c->found = hwnd;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&ctx));
  return ctx.found;
}

// Reads the window's client area back from the screen (what has really been drawn there).
class Grabber {
 public:
  Grabber(int w, int h) : w_(w), h_(h) {
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    screen_ = ::GetDC(nullptr);
    mem_ = ::CreateCompatibleDC(screen_);
    dib_ = ::CreateDIBSection(screen_, &bi, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_), nullptr, 0);
    old_ = ::SelectObject(mem_, dib_);
  }
  ~Grabber() {
    ::SelectObject(mem_, old_);
    ::DeleteObject(dib_);
    ::DeleteDC(mem_);
    ::ReleaseDC(nullptr, screen_);
  }
  // Copies the w x h area at (dx, dy) of the client area.
  bool Grab(HWND hwnd, int dx = 0, int dy = 0) {
    POINT origin = {dx, dy};
    if (!::ClientToScreen(hwnd, &origin)) return false;
    ::GdiFlush();
    return ::BitBlt(mem_, 0, 0, w_, h_, screen_, origin.x, origin.y, SRCCOPY) != 0;
  }
  uint32_t At(int x, int y) const { return bits_[y * w_ + x] & 0xFFFFFF; }

 private:
  int w_, h_;
  HDC screen_, mem_;
  HBITMAP dib_;
  HGDIOBJ old_;
  uint32_t* bits_ = nullptr;
};

// The parts of the client area that are the same in every state of both windows: the logo
// (above the label and the bar, which change while the launcher runs) and the status strip.
struct Region {
  uint64_t hash = 0;
  size_t logo_colours = 0;
  size_t strip_colours = 0;
};

Region Inspect(const Grabber& g) {
  Region r;
  uint64_t h = 1469598103934665603ull;
  std::set<uint32_t> logo, strip;
  for (int y = 0; y < 250; ++y)
    for (int x = 0; x < 320; ++x) {
      const uint32_t p = g.At(x, y);
      h = (h ^ p) * 1099511628211ull;
      if ((x % 8) == 0 && (y % 8) == 0) logo.insert(p);
    }
  for (int y = 339; y < 362; ++y)
    for (int x = 0; x < 634; ++x) {
      const uint32_t p = g.At(x, y);
      h = (h ^ p) * 1099511628211ull;
      strip.insert(p);
    }
  r.hash = h;
  r.logo_colours = logo.size();
  r.strip_colours = strip.size();
  return r;
}

double Median(std::vector<double> v) {
  if (v.empty()) return -1;
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// The process's main window as soon as it is visible; null when none comes within 20 s or the
// process ends first.
HWND WaitForMainWindow(const PROCESS_INFORMATION& pi, Clock::time_point t0) {
  HWND hwnd = nullptr;
  while (!(hwnd = FindMainWindow(pi.dwProcessId))) {
    if (Ms(t0, Clock::now()) > 20000 || ::WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0) break;
    ::Sleep(1);
  }
  return hwnd;
}

int Startup(int argc, wchar_t** argv) {
  const int deadline_ms = _wtoi(argv[2]);  // after the window became visible
  const int stable_ms = 250;
  PROCESS_INFORMATION pi;
  const auto t0 = Clock::now();
  if (!Start(argc, argv, 3, &pi)) {
    std::printf("error=CreateProcess\n");
    return 1;
  }
  HWND hwnd = WaitForMainWindow(pi, t0);
  const auto t_visible = Clock::now();
  if (!hwnd) {
    std::printf("error=no-window\n");
    ::TerminateProcess(pi.hProcess, 1);
    return 1;
  }

  // Poll the screen until the inspected region has stayed the same for stable_ms; the window
  // counts as painted at the first capture of that final state.
  Grabber grab(634, 362);
  struct Sample {
    double t;
    Region r;
  };
  std::vector<Sample> samples;
  double painted = -1;
  Region final_state;
  while (Ms(t_visible, Clock::now()) < deadline_ms) {
    if (!grab.Grab(hwnd)) break;
    const double t = Ms(t0, Clock::now());
    samples.push_back({t, Inspect(grab)});
    size_t first = samples.size() - 1;
    while (first > 0 && samples[first - 1].r.hash == samples.back().r.hash) --first;
    const Region& r = samples.back().r;
    if (r.logo_colours >= 8 && r.strip_colours >= 2 && t - samples[first].t >= stable_ms) {
      painted = samples[first].t;
      final_state = r;
      break;
    }
  }
  std::vector<double> gaps;
  for (size_t i = 1; i < samples.size(); ++i) gaps.push_back(samples[i].t - samples[i - 1].t);

  // Full synchronous repaints until the deadline.
  std::vector<double> repaints, repaint_at;
  while (painted >= 0 && Ms(t_visible, Clock::now()) < deadline_ms) {
    const auto a = Clock::now();
    ::RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
    repaints.push_back(Ms(a, Clock::now()));
    repaint_at.push_back(Ms(t_visible, a));
  }
  // The window must still be the same, whole window after the repaints.
  // Wine presents a window's drawing on the screen with a delay, so this allows it 500 ms.
  bool intact = false;
  const auto check = Clock::now();
  while (painted >= 0 && !intact && Ms(check, Clock::now()) < 500) {
    if (!::IsWindow(hwnd) || !grab.Grab(hwnd)) break;
    intact = Inspect(grab).hash == final_state.hash;
    if (!intact) ::Sleep(5);
  }

  const bool layered = (::GetWindowLongW(hwnd, GWL_EXSTYLE) & WS_EX_LAYERED) != 0;
  ::TerminateProcess(pi.hProcess, 0);
  ::WaitForSingleObject(pi.hProcess, 10000);
  ::CloseHandle(pi.hThread);
  ::CloseHandle(pi.hProcess);

  std::printf("visible_ms=%.2f painted_ms=%.2f captures=%zu capture_gap_ms=%.2f logo_colours=%zu strip_colours=%zu "
              "repaints=%zu repaint_median_ms=%.3f intact_after_repaints=%d",
              Ms(t0, t_visible), painted, samples.size(), Median(gaps), final_state.logo_colours,
              final_state.strip_colours, repaints.size(), Median(repaints), intact ? 1 : 0);
  std::printf(" repaint_ms=");
  for (size_t i = 0; i < repaints.size(); ++i) std::printf("%s%.3f", i ? "," : "", repaints[i]);
  std::printf(" repaint_at_ms=");
  for (size_t i = 0; i < repaint_at.size(); ++i) std::printf("%s%.1f", i ? "," : "", repaint_at[i]);
  std::printf(" layered=%d\n", layered ? 1 : 0);
  return painted >= 0 ? 0 : 2;
}

int Extract(int argc, wchar_t** argv) {
  const wchar_t* log = argv[2];
  PROCESS_INFORMATION pi;
  const auto t0 = Clock::now();
  if (!Start(argc, argv, 3, &pi)) {
    std::printf("error=CreateProcess\n");
    return 1;
  }
  HWND hwnd = WaitForMainWindow(pi, t0);
  const auto t_visible = Clock::now();
  // The label (343 x 19 at 237, 251) is empty until the first file is named in it.
  bool labelled = false;
  auto t_label = t_visible;
  if (hwnd) {
    Grabber label(343, 19);
    std::vector<uint32_t> blank;
    while (Ms(t0, Clock::now()) < 60000 && ::GetFileAttributesW(log) == INVALID_FILE_ATTRIBUTES) {
      if (!::IsWindow(hwnd) || !label.Grab(hwnd, 237, 251)) break;
      std::vector<uint32_t> now;
      for (int y = 0; y < 19; ++y)
        for (int x = 0; x < 343; ++x) now.push_back(label.At(x, y));
      if (Ms(t_visible, Clock::now()) < 1000) {  // painted long before, and well before the timer
        blank = now;
        ::Sleep(2);
        continue;
      }
      if (now != blank) {
        labelled = true;
        t_label = Clock::now();
        break;
      }
      ::Sleep(2);
    }
  }
  bool restarted = false;
  while (Ms(t0, Clock::now()) < 600000) {
    if (::GetFileAttributesW(log) != INVALID_FILE_ATTRIBUTES) {
      restarted = true;
      break;
    }
    ::Sleep(2);
  }
  const auto t_restart = Clock::now();
  ::WaitForSingleObject(pi.hProcess, 30000);
  const auto t_exit = Clock::now();
  DWORD code = 0;
  ::GetExitCodeProcess(pi.hProcess, &code);
  ::CloseHandle(pi.hThread);
  ::CloseHandle(pi.hProcess);
  std::printf("window=%d visible_ms=%.2f restart_ms=%.2f visible_to_restart_ms=%.2f labelled=%d "
              "label_to_restart_ms=%.2f exit_ms=%.2f restarted=%d rc=%lu\n",
              hwnd ? 1 : 0, Ms(t0, t_visible), Ms(t0, t_restart), Ms(t_visible, t_restart), labelled ? 1 : 0,
              labelled ? Ms(t_label, t_restart) : -1.0, Ms(t0, t_exit), restarted ? 1 : 0, code);
  return restarted ? 0 : 2;
}

int Timed(int argc, wchar_t** argv) {
  PROCESS_INFORMATION pi;
  const auto t0 = Clock::now();
  if (!Start(argc, argv, 2, &pi)) {
    std::printf("error=CreateProcess\n");
    return 1;
  }
  ::WaitForSingleObject(pi.hProcess, INFINITE);
  const auto t1 = Clock::now();
  DWORD code = 0;
  ::GetExitCodeProcess(pi.hProcess, &code);
  ::CloseHandle(pi.hThread);
  ::CloseHandle(pi.hProcess);
  std::printf("exit_ms=%.2f rc=%lu\n", Ms(t0, t1), code);
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring mode = argc > 1 ? argv[1] : L"";
  if (mode == L"startup" && argc > 3) return Startup(argc, argv);
  if (mode == L"extract" && argc > 3) return Extract(argc, argv);
  if (mode == L"timed" && argc > 2) return Timed(argc, argv);
  std::fprintf(stderr,
               "usage: harness startup DEADLINE_MS EXE [ARGS] | harness extract LOG EXE [ARGS] | "
               "harness timed EXE [ARGS]\n");
  return 64;
}
