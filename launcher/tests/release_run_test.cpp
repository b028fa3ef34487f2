// Release runs through the launcher: an archive with a release manifest is checked against the
// installation before anything is written, its patches are applied over the installed files,
// the files it drops go (unless the user changed them) with the folders they leave empty, and
// the installation's record becomes the release's.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>

#include "launcher/extract_update.h"
#include "recording_host.h"
#include "release/delta.h"
#include "release/manifest.h"
#include "release/sha256.h"
#include "test_support.h"
#include "update_fault_ops.h"
#include "zip/unzipper.h"

namespace {

namespace fs = std::filesystem;
using zip_test::EntryDef;

release::Sha256 Hash(const std::string& bytes) { return release::Sha256Of(bytes); }

std::string Patch(const std::string& base, const std::string& result) {
  const std::vector<uint8_t> patch = release::MakePatch(
      std::span(reinterpret_cast<const uint8_t*>(base.data()), base.size()),
      std::span(reinterpret_cast<const uint8_t*>(result.data()), result.size()));
  return std::string(patch.begin(), patch.end());
}

// Release 1.0 as installed, and 1.1: App.exe replaced, lib.dll patched, new\added.txt added,
// plugins\old\x.dll and notes.txt dropped; user.txt is the user's own.
const std::string kOldLib = "the old library, version 1.0, with enough bytes to be worth a patch: 0123456789abcdef";
const std::string kNewLib = "the new library, version 1.1, with enough bytes to be worth a patch: 0123456789ABCDEF!";

struct Release {
  release::Manifest manifest;
  std::string lib_patch = Patch(kOldLib, kNewLib);
  std::string text;  // the manifest entry's bytes instead of the manifest's
};

Release Release11() {
  Release r;
  release::Manifest& m = r.manifest;
  m.product = "Acme";
  m.version = *release::Version::Parse("1.1");
  m.from = {*release::Version::Parse("1.0")};
  m.files = {{"App.exe", 11, Hash("new program")},
             {"lib.dll", kNewLib.size(), Hash(kNewLib)},
             {"new\\added.txt", 5, Hash("added")}};
  m.patches = {{"lib.dll", Hash(kOldLib)}};
  m.dropped = {{"notes.txt", Hash("vendor notes")}, {"plugins\\old\\x.dll", Hash("plugin")}};
  return r;
}

class ReleaseRunTest : public testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(app_ / "UPDATE");
    fs::create_directories(app_ / "plugins" / "old");
    zip_test::WriteFile(app_ / "App.exe", "old program");
    zip_test::WriteFile(app_ / "lib.dll", kOldLib);
    zip_test::WriteFile(app_ / "notes.txt", "vendor notes");
    zip_test::WriteFile(app_ / "plugins" / "old" / "x.dll", "plugin");
    zip_test::WriteFile(app_ / "user.txt", "mine");
    release::Record installed{"Acme", *release::Version::Parse("1.0"), {}};
    zip_test::WriteFile(app_ / "UPDATE" / "RELEASE.INF", release::FormatRecord(installed));
    env_.ops = &ops_;
    env_.clock = &clock_;
  }
  void WriteArchive(const Release& r) {
    zip_test::ZipBuilder zip;
    zip.Add(EntryDef{.name = "UPDATE/~HALVEX-RELEASE", .data = r.text.empty() ? release::FormatManifest(r.manifest) : r.text});
    zip.Add(EntryDef{.name = "App.exe", .data = "new program", .method = 8});
    zip.Add(EntryDef{.name = "new/added.txt", .data = "added"});
    zip.Add(EntryDef{.name = "UPDATE/~HALVEX-PATCH/lib.dll", .data = r.lib_patch});
    zip_test::WriteFile(launcher_dir_ / "UPDATE.ZIP", zip.Build());
  }
  int Run() {
    launcher::FormCreate(host_, {app_.Engine("App.exe"), "/silent"}, launch_);
    zip::TUnZipper unzipper;
    launcher::ConnectUnZipper(unzipper, host_, launch_.request);
    outcome_ = launcher::ExtractUpdate(unzipper, host_, launch_.request, launcher_dir_.Engine() + "\\", env_);
    return launcher::ExitCodeOf(outcome_);
  }
  std::string Read(const std::string& rel) { return zip_test::ReadFile(app_ / rel); }
  std::string Log() { return Read("UPDATE/HalvexUpdate.log"); }
  std::string Result() { return Read("UPDATE/UPDATE_RESULT.INF"); }
  // The installation exactly as it was: the same files, folders and record, no work folder.
  void ExpectUntouched() {
    EXPECT_EQ(Read("App.exe"), "old program");
    EXPECT_EQ(Read("lib.dll"), kOldLib);
    EXPECT_EQ(Read("plugins/old/x.dll"), "plugin");
    EXPECT_EQ(Read("user.txt"), "mine");
    EXPECT_FALSE(fs::exists(app_ / "new"));
    EXPECT_FALSE(fs::exists(app_ / "UPDATE" / "~HALVEX"));
    EXPECT_TRUE(Read("UPDATE/RELEASE.INF").find("version 1.0\n") != std::string::npos);
  }

  zip_test::TempDir app_, launcher_dir_;
  launcher_test::RecordingHost host_;
  launcher::Launch launch_;
  update_test::FaultOps ops_;
  update_test::FakeClock clock_;
  launcher::UpdateEnvironment env_;
  launcher::RunOutcome outcome_;
};

TEST_F(ReleaseRunTest, AppliesReplacementsPatchesAdditionsAndRemovals) {
  const Release r = Release11();
  WriteArchive(r);
  ASSERT_EQ(Run(), launcher::kExitApplied) << outcome_.message << "\n" << Log();
  EXPECT_EQ(Read("App.exe"), "new program");
  EXPECT_EQ(Read("lib.dll"), kNewLib);
  EXPECT_EQ(Read("new/added.txt"), "added");
  EXPECT_EQ(Read("user.txt"), "mine") << "a file the manifest does not name is never touched";
  EXPECT_FALSE(fs::exists(app_ / "notes.txt"));
  EXPECT_FALSE(fs::exists(app_ / "plugins")) << "the folders the removal leaves empty go too";
  EXPECT_FALSE(fs::exists(app_ / "UPDATE" / "~HALVEX-RELEASE")) << "the manifest is never extracted";
  EXPECT_FALSE(fs::exists(app_ / "UPDATE" / "~HALVEX-PATCH")) << "nor are the patches";
  EXPECT_FALSE(fs::exists(app_ / "UPDATE" / "~HALVEX"));
  EXPECT_EQ(Read("UPDATE/RELEASE.INF"), release::FormatRecord(release::RecordOf(r.manifest)));
  EXPECT_FALSE(fs::exists(launcher_dir_ / "UPDATE.ZIP"));
  const std::string result = Result();
  EXPECT_TRUE(result.starts_with("RESULT=applied\r\nFILES=3\r\n")) << result;
  EXPECT_NE(result.find("\r\nVERSION=1.1\r\nREPLACED=1\r\nADDED=1\r\nPATCHED=1\r\nREMOVED=2\r\n"), std::string::npos)
      << result;
  EXPECT_NE(Log().find("release 1.1 applied: 1 replaced, 1 patched, 1 added, 2 removed"), std::string::npos) << Log();
}

// Each case changes the release or the installation; the run refuses before anything is written,
// or applies.
struct ManifestCase {
  const char* name;
  std::function<void(Release&, const zip_test::TempDir& app)> change;
  int exit_code;
  const char* message;  // part of the error shown; "" when applied
  bool archive_kept;    // refused and left for the next try (else renamed aside, or removed once applied)
};

class ReleaseCases : public ReleaseRunTest, public testing::WithParamInterface<ManifestCase> {};

TEST_P(ReleaseCases, RefusedBeforeAnythingIsWrittenOrApplied) {
  const ManifestCase& c = GetParam();
  Release r = Release11();
  c.change(r, app_);
  WriteArchive(r);
  EXPECT_EQ(Run(), c.exit_code) << outcome_.message << "\n" << Log();
  EXPECT_NE(outcome_.message.find(c.message), std::string::npos) << outcome_.message;
  EXPECT_EQ(fs::exists(launcher_dir_ / "UPDATE.ZIP"), c.archive_kept);
  if (c.exit_code == launcher::kExitApplied) {
    EXPECT_EQ(Read("App.exe"), "new program");
    EXPECT_EQ(Read("UPDATE/RELEASE.INF"), release::FormatRecord(release::RecordOf(r.manifest)));
    return;
  }
  EXPECT_TRUE(Result().starts_with("RESULT=not started\r\n")) << Result();
  EXPECT_EQ(Result().find("\r\nREASON=base differs\r\n") != std::string::npos,
            c.exit_code == launcher::kExitBaseDiffers) << Result();
  EXPECT_EQ(fs::exists(launcher_dir_ / "UPDATE.ZIP.rejected"), !c.archive_kept);
  if (!std::string(c.name).starts_with("base_")) ExpectUntouched();
  else {
    // Found while staging or before: nothing moved, the staging folder gone.
    EXPECT_EQ(Read("App.exe"), "old program");
    EXPECT_FALSE(fs::exists(app_ / "new"));
    EXPECT_FALSE(fs::exists(app_ / "UPDATE" / "~HALVEX"));
  }
}

const ManifestCase kManifestCases[] = {
    {"other_product", [](Release& r, auto&) { r.manifest.product = "Other"; }, launcher::kExitNotStarted,
     "The update is for \"Other\", not for this application (\"Acme\").", false},
    {"older", [](Release& r, auto&) { r.manifest.version = *release::Version::Parse("0.9"); },
     launcher::kExitNotStarted, "is not marked as a rollback", false},
    {"equal", [](Release& r, auto&) { r.manifest.version = *release::Version::Parse("1.0"); },
     launcher::kExitNotStarted, "Version 1.0 of \"Acme\" is installed already.", false},
    {"equal_rollback",
     [](Release& r, auto&) {
       r.manifest.version = *release::Version::Parse("1.0");
       r.manifest.rollback = true;
     },
     launcher::kExitNotStarted, "is installed already", false},
    {"rollback_marked",
     [](Release& r, auto&) {
       r.manifest.version = *release::Version::Parse("0.9");
       r.manifest.rollback = true;
     },
     launcher::kExitApplied, "", false},
    {"wrong_from_version", [](Release& r, auto&) { r.manifest.from = {*release::Version::Parse("0.5")}; },
     launcher::kExitNotStarted, "applies to version 0.5 only; version 1.0 is installed", false},
    {"altered_file", [](Release& r, auto&) { r.manifest.files[0].sha256 = Hash("other program"); },
     launcher::kExitNotStarted, "\"App.exe\" is not the file its release manifest names", false},
    {"altered_patch_result", [](Release& r, auto&) { r.manifest.files[1].sha256 = Hash("other lib"); },
     launcher::kExitNotStarted, "\"lib.dll\" is not the file its release manifest names", false},
    {"damaged_patch", [](Release& r, auto&) { r.lib_patch.resize(r.lib_patch.size() / 2); },
     launcher::kExitNotStarted, "cannot be applied", false},
    {"damaged_manifest", [](Release& r, auto&) { r.text = "halvex-release 9\nproduct Acme\n"; },
     launcher::kExitNotStarted, "UPDATE\\~HALVEX-RELEASE", false},
    {"base_differs",
     [](Release&, const zip_test::TempDir& app) { zip_test::WriteFile(app / "lib.dll", "changed by another program"); },
     launcher::kExitBaseDiffers, "The full update is needed.", true},
    // Of the patch's size: only its bytes, hashed as they are read for patching, tell it apart.
    {"base_same_size_differs",
     [](Release&, const zip_test::TempDir& app) {
       std::string changed = kOldLib;
       changed[changed.size() / 2] ^= 1;
       zip_test::WriteFile(app / "lib.dll", changed);
     },
     launcher::kExitBaseDiffers,
     "The update patches \"lib.dll\", but the installed file is not the one it was made against (its bytes are not "
     "those the update was made against): it was changed, or another version is installed. The full update is needed.",
     true},
};

INSTANTIATE_TEST_SUITE_P(Manifests, ReleaseCases, testing::ValuesIn(kManifestCases),
                         [](const testing::TestParamInfo<ManifestCase>& info) { return std::string(info.param.name); });

TEST_F(ReleaseRunTest, ADroppedFileTheUserChangedIsKept) {
  zip_test::WriteFile(app_ / "notes.txt", "my own notes");
  WriteArchive(Release11());
  ASSERT_EQ(Run(), launcher::kExitApplied) << outcome_.message;
  EXPECT_EQ(Read("notes.txt"), "my own notes");
  EXPECT_FALSE(fs::exists(app_ / "plugins"));
  EXPECT_NE(Result().find("\r\nREMOVED=1\r\n"), std::string::npos) << Result();
  EXPECT_NE(Log().find("notes.txt\" is dropped by the release and kept"), std::string::npos) << Log();
}

TEST_F(ReleaseRunTest, AFolderHoldingAFileOfTheUsersStays) {
  zip_test::WriteFile(app_ / "plugins" / "mine.cfg", "kept");
  WriteArchive(Release11());
  ASSERT_EQ(Run(), launcher::kExitApplied) << outcome_.message;
  EXPECT_FALSE(fs::exists(app_ / "plugins" / "old"));
  EXPECT_EQ(Read("plugins/mine.cfg"), "kept");
}

TEST_F(ReleaseRunTest, ReplayedArchiveIsRefusedOnceApplied) {
  WriteArchive(Release11());
  ASSERT_EQ(Run(), launcher::kExitApplied) << outcome_.message;
  WriteArchive(Release11());
  EXPECT_EQ(Run(), launcher::kExitNotStarted);
  EXPECT_NE(outcome_.message.find("Version 1.1 of \"Acme\" is installed already."), std::string::npos)
      << outcome_.message;
  EXPECT_TRUE(fs::exists(launcher_dir_ / "UPDATE.ZIP.rejected"));
}

// The free-space check and the wait for programs holding files count every file the release
// touches: the files its patches make (not in the archive as files) and the files it drops.
TEST_F(ReleaseRunTest, SpaceAndWaitsCountPatchedAndDroppedFiles) {
  const Release r = Release11();
  WriteArchive(r);
  // Room for the archive's two whole files (a cluster each, beside the spare mebibyte), not for
  // the patched library besides.
  ops_.free_space = (1u << 20) + 2 * 4096 + 100;
  EXPECT_EQ(Run(), launcher::kExitNotStarted) << Log();
  EXPECT_NE(outcome_.message.find("not enough free space"), std::string::npos) << outcome_.message;
  ExpectUntouched();
  EXPECT_TRUE(fs::exists(launcher_dir_ / "UPDATE.ZIP")) << "kept for the next try";

  ops_.free_space = (1u << 20) + 3 * 4096;
  std::vector<std::string> asked;
  env_.holders = [&](const std::vector<std::string>& paths) {
    asked = paths;
    return platform::FileHolders{true, {}, ""};
  };
  ASSERT_EQ(Run(), launcher::kExitApplied) << outcome_.message << "\n" << Log();
  for (const char* rel : {"App.exe", "lib.dll", "notes.txt", "plugins\\old\\x.dll"})
    EXPECT_NE(std::find(asked.begin(), asked.end(), app_.Engine(rel)), asked.end()) << rel << " is not watched";
  EXPECT_EQ(asked.size(), 4u);
}

}  // namespace
