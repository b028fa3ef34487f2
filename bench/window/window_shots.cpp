// Shows the launcher's window as the program builds it, in every carried skin, and writes a PNG
// screenshot of each; then prints the window's layout (client size, status strip) and how long a
// skin switch and a gauge repaint take. Run under Wine by bench/window/run.
//   window_shots OUT_DIR [LABEL]
#include <windows.h>
#include <zlib.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "../../launcher/win32/main_form.h"
#include "launcher/update_sequence.h"
#include "platform/messages.h"
#include "platform/text.h"
#include "platform/ui/application.h"
#include "skin/builtin_skins.h"

namespace fs = std::filesystem;

namespace {

void Pump(int ms) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  do {
    platform::PumpMessages();
    ::Sleep(10);
  } while (std::chrono::steady_clock::now() < end);
}

void PutU32(std::string& out, uint32_t v) {
  for (int s = 24; s >= 0; s -= 8) out.push_back(static_cast<char>((v >> s) & 0xFF));
}

void Chunk(std::string& png, const char* type, const std::string& data) {
  PutU32(png, static_cast<uint32_t>(data.size()));
  std::string body = std::string(type, 4) + data;
  png += body;
  PutU32(png, static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(body.data()), static_cast<uInt>(body.size()))));
}

// 24-bit RGB PNG from top-down BGRA pixels.
bool WritePng(const fs::path& path, int w, int h, const std::vector<uint32_t>& pixels) {
  std::string raw;
  raw.reserve(static_cast<size_t>(h) * (w * 3 + 1));
  for (int y = 0; y < h; ++y) {
    raw.push_back(0);
    for (int x = 0; x < w; ++x) {
      const uint32_t p = pixels[static_cast<size_t>(y) * w + x];
      raw.push_back(static_cast<char>((p >> 16) & 0xFF));
      raw.push_back(static_cast<char>((p >> 8) & 0xFF));
      raw.push_back(static_cast<char>(p & 0xFF));
    }
  }
  uLongf packed_size = compressBound(static_cast<uLong>(raw.size()));
  std::string packed(packed_size, '\0');
  if (compress2(reinterpret_cast<Bytef*>(packed.data()), &packed_size, reinterpret_cast<const Bytef*>(raw.data()),
                static_cast<uLong>(raw.size()), 9) != Z_OK)
    return false;
  packed.resize(packed_size);
  std::string png = "\x89PNG\r\n\x1a\n";
  std::string ihdr;
  PutU32(ihdr, static_cast<uint32_t>(w));
  PutU32(ihdr, static_cast<uint32_t>(h));
  ihdr += std::string("\x08\x02\x00\x00\x00", 5);
  Chunk(png, "IHDR", ihdr);
  Chunk(png, "IDAT", packed);
  Chunk(png, "IEND", "");
  std::ofstream(path, std::ios::binary) << png;
  return true;
}

// The window as it is on the screen, frame included.
bool Capture(HWND window, const fs::path& path) {
  RECT r;
  ::GetWindowRect(window, &r);
  const int w = r.right - r.left, h = r.bottom - r.top;
  HDC screen = ::GetDC(nullptr);
  HDC mem = ::CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP dib = ::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = ::SelectObject(mem, dib);
  ::BitBlt(mem, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
  ::GdiFlush();
  std::vector<uint32_t> pixels(static_cast<const uint32_t*>(bits), static_cast<const uint32_t*>(bits) + w * h);
  ::SelectObject(mem, old);
  ::DeleteObject(dib);
  ::DeleteDC(mem);
  ::ReleaseDC(nullptr, screen);
  return WritePng(path, w, h, pixels);
}

RECT WindowRectIn(HWND child, HWND parent) {
  RECT r;
  ::GetWindowRect(child, &r);
  ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: window_shots OUT_DIR [LABEL]\n");
    return 2;
  }
  const fs::path out = argv[1];
  const std::string label = argc > 2 ? platform::Narrow(argv[2]) : "96dpi";
  fs::create_directories(out);

  // An application folder with a description file that names the product.
  wchar_t temp[MAX_PATH];
  ::GetTempPathW(MAX_PATH, temp);
  const fs::path app = fs::path(temp) / L"halvex_window_bench";
  fs::create_directories(app / "UPDATE");
  std::ofstream(app / "UPDATE" / "VER_INFO.INF", std::ios::binary) << "NAME= Halvex Auto Update\r\n";

  auto& application = platform::ui::Application::Instance();
  application.Initialize();
  application.SetMainFormOnTaskBar(true);
  application.SetTitle("Halvex UPDATE");
  launcher::TfmMain form({platform::Narrow((app / "App.exe").wstring())});
  application.SetMainForm(&form);
  form.Create();
  form.Show();
  // Only the window is looked at: its update timer would otherwise start an extraction (and an
  // error box about the missing archive) in the middle of the skin switches on a slow machine.
  form.tmZip->SetEnabled(false);
  Pump(300);
  HWND window = form.Handle();

  RECT client;
  ::GetClientRect(window, &client);
  const RECT strip = WindowRectIn(form.bsSkinPanel2->Handle(), window);
  const RECT corp = WindowRectIn(form.pnCorp->Handle(), window);
  const RECT tel = WindowRectIn(form.pnTel->Handle(), window);
  const RECT gauge = WindowRectIn(form.pgMeter->Handle(), window);
  HDC screen = ::GetDC(nullptr);
  const int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
  ::ReleaseDC(nullptr, screen);
  std::printf("%s: system dpi %d, client %ldx%ld, strip %ld,%ld %ldx%ld, pnCorp %ldx%ld, pnTel %ldx%ld at %ld, "
              "pgMeter %ldx%ld at %ld,%ld\n",
              label.c_str(), dpi, client.right, client.bottom, strip.left, strip.top, strip.right - strip.left,
              strip.bottom - strip.top, corp.right - corp.left, corp.bottom - corp.top, tel.right - tel.left,
              tel.bottom - tel.top, tel.left, gauge.right - gauge.left, gauge.bottom - gauge.top, gauge.left,
              gauge.top);

  const auto skins = skin::BuiltinSkins();
  for (int i = 0; i < static_cast<int>(skins.size()); ++i) {
    const auto start = std::chrono::steady_clock::now();
    form.SetSkinIndex(i);
    const double switch_ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    form.SetStatusText("Extract Files.. C:\\App\\sub\\app.dll");
    form.SetProgressText("압축 푸는중.. - ");
    form.SetProgressMax(100);
    form.SetProgressValue(37);
    ::RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME);
    Pump(200);
    char name[128];
    std::snprintf(name, sizeof name, "%s_skin%02d_%s.png", label.c_str(), i, skins[i].CompressedFileName);
    Capture(window, out / name);
    std::printf("skin %2d %-22s switch %.1f ms -> %s (active %d)\n", i, skins[i].CompressedFileName, switch_ms, name,
                form.SkinIndex());
  }

  // The design look before the first progress event, in the default skin.
  form.SetSkinIndex(launcher::kDefaultSkinIndex);
  form.SetStatusText("");
  form.SetProgressText("잠시만 기다려주세요..  - ");
  form.SetProgressValue(0);
  ::RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  Pump(200);
  Capture(window, out / (label + "_design.png"));

  // Gauge repaint cost: value changes painted one by one, as progress events cause them.
  const auto start = std::chrono::steady_clock::now();
  for (int v = 0; v <= 100; ++v) {
    form.SetProgressValue(v);
    form.pgMeter->Update();
  }
  const double per_paint =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count() / 101;
  std::printf("gauge repaint: %.3f ms per value\n", per_paint);

  form.Close();
  Pump(100);
  std::error_code ec;
  fs::remove_all(app, ec);
  return 0;
}
