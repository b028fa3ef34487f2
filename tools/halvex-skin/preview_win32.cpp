// halvex-skin preview SKIN.skn OUT.png: the launcher's window in the given skin, as a skin
// author would see it in the middle of an update, drawn off-screen into a PNG file. The window
// is the launcher's own (its design lives in the launcher_window library); it is created but
// never shown, and its update sequence never runs.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "main_form.h"
#include "platform/command_line.h"
#include "platform/exceptions.h"
#include "platform/format.h"
#include "platform/ui/application.h"
#include "skin/win32/bitmap_canvas.h"
#include "skin/png_file.h"

namespace {

// What the window shows while an entry is written: the launcher's own handlers fill it.
constexpr const char* kSampleFile = "C:\\App\\sub\\app.dll";
constexpr int kSamplePercent = 50;

// The package read and decoded once on its own, so that a file that is no skin is reported
// before any window exists.
void CheckPackage(const std::string& path, skin::TbsCompressedStoredSkin& stored) {
  try {
    stored.LoadFromCompressedFile(path);
  } catch (const platform::EFOpenError&) {
    throw;
  } catch (const std::exception& e) {
    throw platform::Exception(platform::Format("\"%s\" is not a skin package: %s", path.c_str(), e.what()));
  }
  if (stored.IsEmpty())
    throw platform::Exception(
        platform::Format("\"%s\" holds no skin package (empty, or version above 3)", path.c_str()));
  skin::TbsSkinData scratch;
  try {
    scratch.LoadPackage(stored);
  } catch (const std::exception& e) {
    throw platform::Exception(platform::Format("\"%s\" is a damaged skin package: %s", path.c_str(), e.what()));
  }
  if (scratch.Empty)
    throw platform::Exception(
        platform::Format("\"%s\" holds a skin container of a version this program does not read", path.c_str()));
}

skin::Bitmap PrintWindowPicture(HWND window) {
  RECT r{};
  ::GetWindowRect(window, &r);
  skin::Bitmap picture(r.right - r.left, r.bottom - r.top);
  // Outside a shaped window's region nothing is printed: those pixels stay white.
  for (int y = 0; y < picture.Height(); ++y)
    for (int x = 0; x < picture.Width(); ++x) picture.SetPixel(x, y, 0xFFFFFFFFu);
  skin::BitmapCanvas canvas(picture);
  if (!canvas.dc()) throw platform::Exception("Cannot create a drawing context for the picture");
  ::SendMessageW(window, WM_PRINT, reinterpret_cast<WPARAM>(canvas.dc()),
                 PRF_NONCLIENT | PRF_ERASEBKGND | PRF_CLIENT | PRF_CHILDREN);
  skin::BitmapCanvas::Flush();
  return picture;
}

}  // namespace

int RunPreview(int, char**) {
  // The arguments again from the wide command line, so that any file name survives.
  std::vector<std::string> args = platform::ProgramArguments();
  int percent = kSamplePercent;
  if (args.size() == 4) {
    const std::string& value = args[3];
    percent = -1;
    if (!value.empty() && value.size() <= 3 && value.find_first_not_of("0123456789") == std::string::npos)
      percent = std::stoi(value);
  }
  if ((args.size() != 3 && args.size() != 4) || percent < 0 || percent > 100) {
    std::fputs("usage: halvex-skin preview SKIN.skn OUT.png [PERCENT]  (PERCENT 0 to 100, default 50)\n", stderr);
    return 2;
  }
  const std::string in = args[1], out = args[2];

  auto& app = platform::ui::Application::Instance();
  app.Initialize();
  app.SetTitle("halvex-skin");
  // Errors raised inside the window's message handling come here instead of a message box.
  std::string failure;
  app.OnException = [&failure](const std::string& text, const std::string&) {
    if (failure.empty()) failure = text;
  };

  skin::TbsCompressedStoredSkin stored;
  CheckPackage(in, stored);

  launcher::TfmMain form({});
  // The windows only: creation without FormCreate reads no command line and no description file.
  form.CreateHandle();
  form.bsSkinData->SetCompressedStoredSkin(&stored);
  if (form.bsSkinData->Empty) throw platform::Exception("the window did not take the skin");
  std::string fname = kSampleFile;
  bool skip = false;
  form.UnZipper->OnStartUnZip(form.UnZipper.get(), 0, fname, skip);
  form.UnZipper->OnTotalPercentDone(form.UnZipper.get(), percent);
  // The active frame, without taking the focus from anyone.
  ::SendMessageW(form.Handle(), WM_NCACTIVATE, TRUE, 0);
  const skin::Bitmap picture = PrintWindowPicture(form.Handle());
  if (!failure.empty()) throw platform::Exception(failure);

  const size_t bytes = skin::SavePngFile(picture, out);
  std::printf("%s: %d x %d pixels, %zu bytes\n", out.c_str(), picture.Width(), picture.Height(), bytes);
  return 0;
}
