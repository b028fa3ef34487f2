// A quit request that arrives while the engine pumps messages stays queued for the host's own
// message loop; the extraction runs to its end.
#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#endif

#include "test_support.h"
#include "zip/unzipper.h"

namespace zip {
namespace {

// Only Windows has window messages: the test exists there alone.
#ifdef _WIN32
TEST(MessagePump, QuitRequestSurvivesAnExtraction) {
  zip_test::TempDir dir;
  zip_test::ZipBuilder b;
  b.Add(zip_test::EntryDef{"one.bin", std::string(100000, '1')});
  b.Add(zip_test::EntryDef{"two.bin", std::string(100000, '2'), 8});
  zip_test::WriteFile(dir / "q.zip", b.Build());
  TUnZipper u;
  u.SetZipName(dir.Engine("q.zip"));
  u.SetDestDir(dir.Engine("out"));
  u.SetDoAll(true);
  u.SetOverwriteMode(Always);
  PostQuitMessage(3);
  EXPECT_EQ(u.UnZipSelected(), 2);
  MSG msg;
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(msg.wParam, 3u);
}
#endif

}  // namespace
}  // namespace zip
