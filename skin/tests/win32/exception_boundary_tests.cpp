// Exceptions raised inside the skinned frame's message handling stop at the window procedure and
// reach the application's default handler, the same one every other window of the program uses.
#include <gtest/gtest.h>
#include <windows.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "form_test_window.h"
#include "platform/ui/application.h"

namespace skin::formtest {
namespace {

TEST(FrameExceptionBoundary, HandlerErrorsGoToTheApplicationsDefaultHandler) {
  auto& app = platform::ui::Application::Instance();
  std::vector<std::string> reported;
  const auto previous = app.OnException;
  app.OnException = [&](const std::string& text, const std::string&) { reported.push_back(text); };
  {
    SkinnedWindow w;
    w.form.OnActivate = [] { throw std::runtime_error("Frame failed"); };
    w.form.OnDeActivate = [] { throw 42; };
    // The activation message answers TRUE when handled; a failed one gives the boundary's 0.
    EXPECT_EQ(::SendMessageW(w.window.hwnd, WM_NCACTIVATE, TRUE, 0), 0);
    EXPECT_EQ(::SendMessageW(w.window.hwnd, WM_NCACTIVATE, FALSE, 0), 0);
    w.form.OnActivate = nullptr;
    EXPECT_EQ(::SendMessageW(w.window.hwnd, WM_NCACTIVATE, TRUE, 0), TRUE);
  }
  app.OnException = previous;
  EXPECT_EQ(reported, (std::vector<std::string>{"Frame failed.", "Unknown error."}));
}

}  // namespace
}  // namespace skin::formtest
