// halvex-skin preview, run as a skin author runs it: for every carried package the picture of
// the launcher's window in that skin has the window's outer size and the skin's frame on its
// edges, and its gauge looks empty at 0 % and filled where it is filled; bad input ends with an
// error and writes nothing. The pictures are kept in the build tree (screenshots/preview-*.png,
// gauge-*.png) to be looked at.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "draw_golden.h"
#include "platform/text.h"
#include "skin/frame_borders.h"
#include "skin/frame_geometry.h"
#include "skin/hit_test.h"
#include "skin/skin_data.h"
#include "skin/skin_package.h"

namespace {

namespace fs = std::filesystem;
using platform::Narrow;
using platform::Widen;

// The build's paths are Unix paths; Wine reaches them through drive Z:.
std::wstring WinPath(const std::string& path) {
  std::wstring w = Widen(path);
  std::replace(w.begin(), w.end(), L'/', L'\\');
  return w.size() > 1 && w[0] == L'\\' ? L"Z:" + w : w;
}

struct ToolRun {
  DWORD exit_code = 0;
  std::string out, err;
};

std::string ReadText(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// halvex-skin.exe with the given arguments, its output and errors caught in files.
ToolRun RunSkinTool(const std::vector<std::wstring>& args) {
  const fs::path temp = fs::temp_directory_path();
  static int runs = 0;
  const std::wstring tag = std::to_wstring(::GetCurrentProcessId()) + L"_" + std::to_wstring(++runs);
  const fs::path out_path = temp / (L"halvex_preview_out_" + tag), err_path = temp / (L"halvex_preview_err_" + tag);
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  HANDLE out = ::CreateFileW(out_path.c_str(), GENERIC_WRITE, share, &inherit, CREATE_ALWAYS, 0, nullptr);
  HANDLE err = ::CreateFileW(err_path.c_str(), GENERIC_WRITE, share, &inherit, CREATE_ALWAYS, 0, nullptr);
  std::wstring command = L"\"" + WinPath(HALVEX_SKIN_TOOL_EXE) + L"\"";
  for (const std::wstring& a : args) command += L" \"" + a + L"\"";
  STARTUPINFOW si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdOutput = out;
  si.hStdError = err;
  PROCESS_INFORMATION pi{};
  ToolRun run;
  const BOOL started =
      ::CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi);
  ::CloseHandle(out);
  ::CloseHandle(err);
  if (!started) {
    run.exit_code = 0xFFFFFFFF;
    run.err = "could not start " + Narrow(command);
    return run;
  }
  if (::WaitForSingleObject(pi.hProcess, 60000) != WAIT_OBJECT_0) ::TerminateProcess(pi.hProcess, 0xFFFFFFFE);
  ::GetExitCodeProcess(pi.hProcess, &run.exit_code);
  ::CloseHandle(pi.hProcess);
  ::CloseHandle(pi.hThread);
  run.out = ReadText(out_path);
  run.err = ReadText(err_path);
  std::error_code ignored;
  fs::remove(out_path, ignored);
  fs::remove(err_path, ignored);
  return run;
}

// The window's outer bounds, the same in every skin.
constexpr int W = 636, H = 387;

TEST(SkinToolPreview, EveryCarriedSkinGivesTheWindowWithItsFrame) {
  const fs::path shots = fs::path(WinPath(HALVEX_BUILD_DIR)) / "screenshots";
  fs::create_directories(shots);
  std::vector<fs::path> packages;
  for (const auto& e : fs::directory_iterator(fs::path(WinPath(HALVEX_SOURCE_DIR)) / "assets" / "skins" / "packed"))
    if (e.path().extension() == ".skn") packages.push_back(e.path());
  std::sort(packages.begin(), packages.end());
  ASSERT_EQ(packages.size(), 12u);
  for (const fs::path& package : packages) {
    const std::string name = package.stem().string();
    SCOPED_TRACE(name);
    const fs::path png = shots / ("preview-" + name + ".png");
    fs::remove(png);
    const ToolRun run = RunSkinTool({L"preview", package.wstring(), png.wstring()});
    ASSERT_EQ(run.exit_code, 0u) << run.err;

    skin::TbsCompressedStoredSkin stored;
    stored.LoadFromCompressedFile(Narrow(package.wstring()));
    skin::TbsSkinData data;
    data.LoadPackage(stored);
    ASSERT_FALSE(data.Empty);
    const skin::FrameSkin frame = skin::FrameSkinFrom(data);
    EXPECT_NE(run.out.find(std::to_string(W) + " x " + std::to_string(H) + " pixels"), std::string::npos) << run.out;

    const std::optional<skin::Bitmap> picture = skin::testing::DecodePng(skin::testing::ReadFileBytes(png.string()));
    ASSERT_TRUE(picture.has_value()) << "no readable picture at " << png.string();
    ASSERT_EQ(picture->Width(), W);
    ASSERT_EQ(picture->Height(), H);

    // The left, right and bottom border pieces (the caption objects live on the top one),
    // pixel for pixel along a line through each, wherever the window's shape has them.
    const skin::FrameGeometry g = skin::ComputeFrameGeometry(frame, W, H);
    skin::FramePieces pieces, mask;
    skin::ComposeFrameBorders(frame.Slice(), g.Slice(), pieces, data.Picture,
                              {0, 0, data.Picture.Width(), data.Picture.Height()}, W, H,
                              {data.leftstretch, data.topstretch, data.rightstretch, data.bottomstretch});
    if (!data.MaskPicture.Empty()) skin::ComposeMaskBorders(frame.MaskSlice(), g.MaskSlice(), data.MaskPicture, mask, W);
    const int top = pieces.Top.Height();
    struct Probe {
      const skin::Bitmap* piece;
      int x0, y0;  // the piece's place in the window
    };
    const Probe probes[] = {{&pieces.Left, 0, top},
                            {&pieces.Right, W - pieces.Right.Width(), top},
                            {&pieces.Bottom, 0, H - pieces.Bottom.Height()}};
    int compared = 0, differing = 0;
    std::string first;
    auto check = [&](const Probe& p, int x, int y) {
      if (x < 0 || y < 0 || x >= p.piece->Width() || y >= p.piece->Height()) return;
      const skin::Point at{p.x0 + x, p.y0 + y};
      if (!data.MaskPicture.Empty() && !skin::PointInMaskShape(at, g, mask)) return;
      ++compared;
      const uint32_t want = p.piece->Pixel(x, y) & 0xFFFFFF, got = picture->Pixel(at.X, at.Y) & 0xFFFFFF;
      if (want != got && ++differing == 1)
        first = "(" + std::to_string(at.X) + ", " + std::to_string(at.Y) + ")";
    };
    for (const Probe& p : probes) {
      if (p.piece == &pieces.Bottom) {
        for (int y = 0; y < p.piece->Height(); ++y)
          for (int x = 0; x < W; x += 9) check(p, x, y);
      } else {
        for (int x = 0; x < p.piece->Width(); ++x)
          for (int y = 0; y < p.piece->Height(); y += 9) check(p, x, y);
      }
    }
    EXPECT_GT(compared, 100);
    EXPECT_EQ(differing, 0) << "of " << compared << " frame pixels, first at " << first;
  }
}

// Relative luminance of a 0xAARRGGBB pixel (0 black, 1 white) and the contrast of two pixels,
// 1 (same) to 21 (black on white).
double Luminance(uint32_t pixel) {
  auto channel = [](uint32_t v) {
    const double c = v / 255.0;
    return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
  };
  return 0.2126 * channel((pixel >> 16) & 255) + 0.7152 * channel((pixel >> 8) & 255) + 0.0722 * channel(pixel & 255);
}
double Contrast(uint32_t a, uint32_t b) {
  const double la = Luminance(a), lb = Luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The pixel of middle luminance among those of `picture` in the columns [x0, x1) and rows
// [y0, y1): what a band of the gauge mostly shows, whatever a gloss line or a letter adds.
uint32_t MedianPixel(const skin::Bitmap& picture, int x0, int x1, int y0, int y1) {
  std::vector<uint32_t> pixels;
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x) pixels.push_back(picture.Pixel(x, y) & 0xFFFFFF);
  std::sort(pixels.begin(), pixels.end(), [](uint32_t a, uint32_t b) { return Luminance(a) < Luminance(b); });
  return pixels.empty() ? 0 : pixels[pixels.size() / 2];
}

std::string Hex(uint32_t pixel) {
  char text[8];
  std::snprintf(text, sizeof text, "%06X", pixel & 0xFFFFFF);
  return text;
}

// At 0 % a customer must see an empty gauge: its track light and neutral in every skin, and the
// filled part clearly apart from it. Measured on the tool's pictures at 0, 50 and 100 %: the
// gauge is where the pictures at 0 and 100 % differ; its ends, away from the centred text, are
// compared.
TEST(SkinToolPreview, GaugeLooksEmptyAtNothingAndItsFilledPartStandsOut) {
  const fs::path shots = fs::path(WinPath(HALVEX_BUILD_DIR)) / "screenshots";
  fs::create_directories(shots);
  std::vector<fs::path> packages;
  for (const auto& e : fs::directory_iterator(fs::path(WinPath(HALVEX_SOURCE_DIR)) / "assets" / "skins" / "packed"))
    if (e.path().extension() == ".skn") packages.push_back(e.path());
  std::sort(packages.begin(), packages.end());
  ASSERT_EQ(packages.size(), 12u);
  for (const fs::path& package : packages) {
    const std::string name = package.stem().string();
    SCOPED_TRACE(name);
    std::vector<skin::Bitmap> at;  // 0, 50, 100 %
    for (const char* percent : {"000", "050", "100"}) {
      const fs::path png = shots / ("gauge-" + name + "-" + percent + ".png");
      const ToolRun run = RunSkinTool({L"preview", package.wstring(), png.wstring(), Widen(percent)});
      ASSERT_EQ(run.exit_code, 0u) << run.err;
      std::optional<skin::Bitmap> picture = skin::testing::DecodePng(skin::testing::ReadFileBytes(png.string()));
      ASSERT_TRUE(picture.has_value());
      ASSERT_EQ(picture->Width(), W);
      at.push_back(std::move(*picture));
    }
    int x0 = W, y0 = H, x1 = -1, y1 = -1;
    for (int y = 0; y < H; ++y)
      for (int x = 0; x < W; ++x)
        if ((at[0].Pixel(x, y) & 0xFFFFFF) != (at[2].Pixel(x, y) & 0xFFFFFF)) {
          x0 = std::min(x0, x), y0 = std::min(y0, y), x1 = std::max(x1, x), y1 = std::max(y1, y);
        }
    // The design's gauge is 400 × 20 pixels.
    ASSERT_GE(x1 - x0 + 1, 380) << "the pictures at 0 and 100 % differ only in " << x0 << ".." << x1;
    ASSERT_LE(y1 - y0 + 1, 20);
    const int band = (x1 - x0) / 7, top = y0 + 4, bottom = y1 - 3;
    auto ends = [&](const skin::Bitmap& picture) {
      return std::pair{MedianPixel(picture, x0 + 4, x0 + band, top, bottom), MedianPixel(picture, x1 - band, x1 - 3, top, bottom)};
    };
    const auto [empty_left, empty_right] = ends(at[0]);
    const auto [full_left, full_right] = ends(at[2]);
    const auto [half_left, half_right] = ends(at[1]);
    const uint32_t track = empty_right, fill = full_left;
    const int spread = std::max({track >> 16 & 255, track >> 8 & 255, track & 255}) -
                       std::min({track >> 16 & 255, track >> 8 & 255, track & 255});
    EXPECT_GE(Luminance(track), 0.6) << "the empty track " << Hex(track) << " is not light";
    EXPECT_LE(spread, 24) << "the empty track " << Hex(track) << " is not neutral";
    EXPECT_LT(Contrast(empty_left, empty_right), 1.1) << "0 %: " << Hex(empty_left) << " and " << Hex(empty_right);
    EXPECT_LT(Contrast(full_left, full_right), 1.1) << "100 %: " << Hex(full_left) << " and " << Hex(full_right);
    EXPECT_GE(Contrast(track, fill), 2.5) << "track " << Hex(track) << ", filled " << Hex(fill);
    // Half way: filled on the left, empty on the right.
    EXPECT_LT(Contrast(half_left, fill), 1.1) << Hex(half_left) << " against " << Hex(fill);
    EXPECT_LT(Contrast(half_right, track), 1.1) << Hex(half_right) << " against " << Hex(track);
  }
}

TEST(SkinToolPreview, BadInputEndsWithAnErrorAndWritesNothing) {
  const fs::path dir = fs::temp_directory_path() / ("halvex_preview_bad_" + std::to_string(::GetCurrentProcessId()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  const fs::path good = fs::path(WinPath(HALVEX_SOURCE_DIR)) / "assets" / "skins" / "packed" / "Office2013_Green.skn";
  std::string bytes = ReadText(good);
  ASSERT_GT(bytes.size(), 2000u);
  std::string damaged = bytes;
  for (size_t i = 1000; i < 1400; ++i) damaged[i] = static_cast<char>(damaged[i] ^ 0x5A);
  const struct {
    const char* name;
    std::string content;  // nothing: the file is not there
    const char* message;
  } cases[] = {{"missing.skn", "", "Cannot open file"},
               {"damaged.skn", damaged, "damaged"},
               {"truncated.skn", bytes.substr(0, 600), "not a skin package"},
               {"text.skn", std::string("[VERSION]\r\nversion=1\r\n"), ""}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path in = dir / c.name, out = dir / (std::string(c.name) + ".png");
    if (!c.content.empty()) std::ofstream(in, std::ios::binary) << c.content;
    const ToolRun run = RunSkinTool({L"preview", in.wstring(), out.wstring()});
    EXPECT_EQ(run.exit_code, 1u) << run.err;
    EXPECT_NE(run.err.find("halvex-skin: "), std::string::npos) << run.err;
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_FALSE(fs::exists(out));
  }
  for (const wchar_t* percent : {L"101", L"-1", L"half", L"", L"0050"}) {
    SCOPED_TRACE(Narrow(percent));
    const fs::path out = dir / "percent.png";
    const ToolRun run = RunSkinTool({L"preview", good.wstring(), out.wstring(), percent});
    EXPECT_EQ(run.exit_code, 2u) << run.err;
    EXPECT_NE(run.err.find("usage: halvex-skin preview"), std::string::npos) << run.err;
    EXPECT_FALSE(fs::exists(out));
  }
  fs::remove_all(dir);
}

}  // namespace
