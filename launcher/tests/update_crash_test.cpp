// The update is applied completely or not at all, whatever file operation goes wrong, from the
// staging of the first file (made, written, stamped, closed, each one operation) to the removal of
// the work folder: an update of twenty files (replaced, added, a read-only target, nested new folders, an entry the
// description file skips) is run with a failure, then with a stop, at every operation in turn;
// so is the same update as a release that also patches a file, removes two and the folders they
// leave empty, and replaces the installation's record.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <filesystem>
#include <algorithm>
#include <cstring>
#include <map>

#include "launcher/extract_update.h"
#include "launcher/texts.h"
#include "launcher/update_transaction.h"
#include "recording_host.h"
#include "release/delta.h"
#include "release/manifest.h"
#include "release/sha256.h"
#include "test_support.h"
#include "update_fault_ops.h"
#include "zip/unzipper.h"

namespace {

namespace fs = std::filesystem;
using update_test::FakeClock;
using update_test::FaultOps;
using zip_test::EntryDef;
using zip_test::ZipBuilder;

using NullHost = launcher_test::RecordingHost;

// Names, bytes, permission bits and times of every file and folder, the application folder's
// own time included. The launcher's own report files are left out, and so is the time of the
// folder they are written to: writing them is the point of them.
struct Item {
  bool folder;
  std::string bytes;
  unsigned mode;
  int64_t mtime;  // nanoseconds
  bool operator==(const Item&) const = default;
};
using Tree = std::map<std::string, Item>;

Tree Snapshot(const fs::path& root) {
  Tree tree;
  auto add = [&](const fs::path& path, const std::string& rel) {
    struct stat st;
    ::lstat(path.c_str(), &st);
    const bool folder = S_ISDIR(st.st_mode);
    std::string bytes = folder ? "" : zip_test::ReadFile(path);
    // The description file names a path in its folder; the folders differ from run to run.
    if (const size_t at = bytes.find(zip_test::EnginePath(root)); at != std::string::npos)
      bytes.replace(at, zip_test::EnginePath(root).size(), "<app>");
    const int64_t mtime = rel == "UPDATE" ? 0 : st.st_mtim.tv_sec * int64_t{1000000000} + st.st_mtim.tv_nsec;
    tree[rel] = Item{folder, bytes, static_cast<unsigned>(st.st_mode & 07777), mtime};
  };
  add(root, ".");
  for (const auto& e : fs::recursive_directory_iterator(root)) {
    const std::string rel = fs::relative(e.path(), root).generic_string();
    if (rel.starts_with("UPDATE/HalvexUpdate.log") || rel == "UPDATE/UPDATE_RESULT.INF") continue;
    add(e.path(), rel);
  }
  return tree;
}

// The same tree, but for the times of folders: an applied update leaves them as the system set
// them when the files moved in.
Tree WithoutFolderTimes(Tree tree) {
  for (auto& [rel, item] : tree)
    if (item.folder) item.mtime = 0;
  return tree;
}

std::string Describe(const Tree& a, const Tree& b) {
  std::string d;
  for (const auto& [k, v] : a)
    if (!b.count(k)) d += " only-first:" + k;
    else if (!(b.at(k) == v))
      d += " differs:" + k + (v.mode != b.at(k).mode ? "(mode)" : "") + (v.mtime != b.at(k).mtime ? "(time)" : "");
  for (const auto& [k, v] : b)
    if (!a.count(k)) d += " only-second:" + k;
  return d;
}

class UpdateCrash : public testing::Test {
 protected:
  void SetUp() override { Build(); }

  // The release's variant: core.dll comes as a patch against the installed one.
  static constexpr const char* kOldCore = "old core, the bytes the patch of the new one is made against";

  void Build() {
    ZipBuilder zip;
    release::Manifest manifest;
    manifest.product = "Acme";
    manifest.version = *release::Version::Parse("2.0");
    manifest.from = {*release::Version::Parse("1.0")};
    std::vector<EntryDef> entries;
    auto add = [&](const std::string& name, const std::string& data = "", uint32_t attributes = 0x20) {
      if (release_ && !name.ends_with("/")) {
        std::string path = name;
        std::replace(path.begin(), path.end(), '/', '\\');
        manifest.files.push_back({path, data.size(), release::Sha256Of(data)});
        if (name == "core.dll") {
          const std::vector<uint8_t> patch = release::MakePatch(
              std::span(reinterpret_cast<const uint8_t*>(kOldCore), std::strlen(kOldCore)),
              std::span(reinterpret_cast<const uint8_t*>(data.data()), data.size()));
          manifest.patches.push_back({path, release::Sha256Of(kOldCore)});
          entries.push_back(EntryDef{.name = "UPDATE/~HALVEX-PATCH/core.dll", .data = std::string(patch.begin(), patch.end())});
          return;
        }
      }
      entries.push_back(EntryDef{.name = name, .data = data, .method = static_cast<uint16_t>(data.size() > 64 ? 8 : 0),
                                 .external_attributes = attributes});
    };
    add("App.exe", "new program " + std::string(40000, 'P'));
    add("core.dll", std::string(70000, 'C'));
    add("readonly.cfg", "new settings");  // replaces a read-only file
    add("data/user.cfg", "vendor defaults");  // skipped: COPY_FILENAME
    add("data/table.dat", std::string(3000, 'T'));
    add("lang/", "", 0x10);  // a folder entry for a folder the old version has
    add("lang/en.txt", "english");
    add("lang/ko.txt", "korean");
    add("plugins/");  // a folder entry
    add("plugins/net/http/client.dll", std::string(5000, 'h'));
    add("plugins/net/http/server.dll", std::string(6000, 's'));
    add("plugins/net/ftp.dll", "ftp");
    add("plugins/gfx/shaders/blur.fx", "blur");
    add("plugins/gfx/shaders/glow.fx", "glow");
    add("plugins/gfx/readme.txt", "gfx", 0x21);  // a new read-only file
    add("docs/readme.txt", "readme");
    add("docs/license.txt", "license");
    add("docs/changes.txt", "changes");
    add("res/icons/app.ico", std::string(800, 'i'));
    add("res/icons/tray.ico", std::string(300, 't'));
    add("res/sounds/done.wav", std::string(9000, 'w'));
    add("empty.txt", "");
    if (release_) {
      std::sort(manifest.files.begin(), manifest.files.end(), [](auto& a, auto& b) { return a.path < b.path; });
      manifest.dropped = {{"gone.txt", release::Sha256Of("gone")}, {"old\\plugin\\x.dll", release::Sha256Of("x")}};
      entries.insert(entries.begin(), EntryDef{.name = "UPDATE/~HALVEX-RELEASE", .data = release::FormatManifest(manifest)});
      record_ = release::FormatRecord(release::RecordOf(manifest));
    }
    for (const EntryDef& e : entries) zip.Add(e);
    archive_ = zip.Build();
  }

  // The application as installed: some files the update replaces, one it leaves alone. Every file
  // of "res" is replaced (it is swapped whole with its staged copy, a new folder below it
  // included); "data" holds a file the update skips and "lang" is read-only: their files move
  // one by one.
  void MakeOldTree(const fs::path& app) {
    fs::create_directories(app / "UPDATE");
    zip_test::WriteFile(app / "UPDATE" / "VER_INFO.INF", "EXE_FILENAME=App.exe\r\nCOPY_FILENAME=" +
                                                             zip_test::EnginePath(app / "data" / "user.cfg") + "\r\n" +
                                                             description_extra_);
    const std::pair<const char*, const char*> files[] = {
        {"App.exe", "old program"}, {"core.dll", "old core"}, {"readonly.cfg", "old settings"},
        {"data/user.cfg", "my own settings"}, {"data/table.dat", "old table"}, {"lang/en.txt", "old english"},
        {"res/icons/app.ico", "old icon"}, {"keep.txt", "not in the update"}};
    int64_t t = 1500000000;
    for (const auto& [name, bytes] : files) zip_test::WriteFile(app / name, bytes);
    if (release_) {
      zip_test::WriteFile(app / "core.dll", kOldCore);
      zip_test::WriteFile(app / "gone.txt", "gone");
      fs::create_directories(app / "old" / "plugin");
      zip_test::WriteFile(app / "old" / "plugin" / "x.dll", "x");
      zip_test::WriteFile(app / "UPDATE" / "RELEASE.INF", "halvex-installed 1\nproduct Acme\nversion 1.0\n");
      for (const char* name : {"core.dll", "gone.txt", "old/plugin/x.dll", "UPDATE/RELEASE.INF", "old/plugin", "old"}) {
        const timespec times[2] = {{t, 0}, {t, 123456789}};
        ::utimensat(AT_FDCWD, (app / name).c_str(), times, 0);
        t += 86400;
      }
    }
    // Folders last: the files made in them set their times. Every one has a time of its own,
    // with a fraction of a second, so a time not put back, or put back on another folder, shows.
    for (const char* name : {"App.exe", "core.dll", "readonly.cfg", "data/user.cfg", "data/table.dat", "lang/en.txt",
                             "res/icons/app.ico", "keep.txt", "UPDATE/VER_INFO.INF", "data", "lang", "res/icons", "res",
                             "UPDATE", "."}) {
      const fs::path p = app / name;
      const timespec times[2] = {{t, 0}, {t, 123456789}};
      ::utimensat(AT_FDCWD, p.c_str(), times, 0);
      t += 86400;
    }
    fs::permissions(app / "readonly.cfg", fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    // A folder the update's folder entry makes writable, as extraction does; undone, it is
    // read-only again.
    fs::permissions(app / "lang", fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
  }

  // One run of the launcher's update as the window runs it, over `ops`.
  // Returns the error the user is shown ("" when the update was applied).
  std::string Run(const fs::path& app, const fs::path& launcher_dir, platform::FileOps& ops) {
    // An applied archive is removed: every run has its own.
    zip_test::WriteFile(launcher_dir / "UPDATE.ZIP", archive_);
    launcher::Launch launch;
    launcher::FormCreate(host_, {zip_test::EnginePath(app / "App.exe")}, launch);
    zip::TUnZipper unzipper;
    unzipper.SetOverwriteMode(zip::Always);
    launcher::ConnectUnZipper(unzipper, host_, launch.request);
    launcher::UpdateEnvironment env;
    env.ops = &ops;
    env.clock = &clock_;
    return launcher::ExtractUpdate(unzipper, host_, launch.request, zip_test::EnginePath(launcher_dir) + "\\", env).message;
  }

  // A run of a release that must confirm it starts and ends at once without doing so: applied,
  // then reverted.
  void RunReverted(const fs::path& app, const fs::path& launcher_dir, platform::FileOps& ops) {
    zip_test::WriteFile(launcher_dir / "UPDATE.ZIP", archive_);
    launcher::Launch launch;
    launcher::FormCreate(host_, {zip_test::EnginePath(app / "App.exe"), "/silent"}, launch);
    zip::TUnZipper unzipper;
    unzipper.SetOverwriteMode(zip::Always);
    launcher::ConnectUnZipper(unzipper, host_, launch.request);
    launcher::UpdateEnvironment env;
    env.ops = &ops;
    env.clock = &clock_;
    env.retry_ms = 0;
    env.start = [](const std::string&, const std::string&, std::string&) -> std::unique_ptr<platform::StartedProgram> {
      struct Ended : platform::StartedProgram {
        std::optional<uint32_t> ExitCode() override { return 3; }
      };
      return std::make_unique<Ended>();
    };
    const launcher::RunOutcome outcome =
        launcher::ExtractUpdate(unzipper, host_, launch.request, zip_test::EnginePath(launcher_dir) + "\\", env);
    launcher::FinishRun(host_, launch, outcome, env);
  }

  std::string Result(const fs::path& app) { return zip_test::ReadFile(app / "UPDATE" / "UPDATE_RESULT.INF"); }

  // Every operation of a run, as counted in the reference run, failed and then stopped in turn.
  void EveryFault(const fs::path& scratch, const fs::path& launcher_dir, const Tree& old_tree, const Tree& new_tree,
                  int operations, int commit_mark, int archive_removal);

  bool release_ = false;
  std::string record_;  // the release's record, once applied
  std::string archive_;
  std::string description_extra_;
  NullHost host_;
  FakeClock clock_;
};

TEST_F(UpdateCrash, EveryOperationFailedOrStoppedLeavesTheOldOrTheNewTree) {
  zip_test::TempDir scratch;
  const fs::path launcher_dir = scratch / "launcher";
  fs::create_directories(launcher_dir);
  zip_test::WriteFile(launcher_dir / "UPDATE.ZIP", archive_);

  // The reference runs: the old tree, and the new one as a run without faults leaves it.
  // Every application folder's path has the same length: the description file holds it.
  const fs::path reference = scratch / "ref000";
  MakeOldTree(reference);
  const Tree old_tree = Snapshot(reference);
  FaultOps counting;
  EXPECT_EQ(Run(reference, launcher_dir, counting), "");
  EXPECT_FALSE(fs::exists(launcher_dir / "UPDATE.ZIP")) << "an applied archive is removed";
  const Tree new_tree = Snapshot(reference);
  ASSERT_NE(old_tree, new_tree);
  EXPECT_EQ(zip_test::ReadFile(reference / "data" / "user.cfg"), "my own settings") << "the skipped entry";
  EXPECT_EQ(zip_test::ReadFile(reference / "readonly.cfg"), "new settings") << "the read-only target";
  EXPECT_EQ(zip_test::ReadFile(reference / "plugins" / "net" / "http" / "client.dll"), std::string(5000, 'h'));
  EXPECT_EQ(new_tree.at("plugins/gfx/readme.txt").mode & 0222, 0u) << "extracted attributes kept";
  EXPECT_EQ(new_tree.at("App.exe").mtime, new_tree.at("docs/readme.txt").mtime) << "extracted times kept";
  EXPECT_NE(new_tree.at("lang").mode & 0200, 0u) << "the folder entry's attributes applied to an existing folder";
  EXPECT_NE(new_tree.at(".").mtime, old_tree.at(".").mtime) << "the moves change the folder's time";
  EXPECT_EQ(zip_test::ReadFile(reference / "res" / "sounds" / "done.wav"), std::string(9000, 'w'));
  const std::string log = zip_test::ReadFile(reference / "UPDATE" / "HalvexUpdate.log");
  EXPECT_NE(log.find("1 folders replaced whole, 3 new folders moved in whole"), std::string::npos) << log;
  EXPECT_FALSE(fs::exists(reference / "UPDATE" / "~HALVEX"));
  EXPECT_TRUE(Result(reference).starts_with("RESULT=applied\r\nFILES=19\r\n")) << Result(reference);
  // Staging writes through the same file operations: every staged file was made through them.
  EXPECT_EQ(counting.files_made, 19);
  const int operations = counting.count;
  const int commit_mark = counting.commit_mark_at;
  const int archive_removal = counting.archive_removal_at;
  ASSERT_GT(archive_removal, commit_mark);
  ASSERT_GT(operations, 40);
  ASSERT_GT(commit_mark, 0);
  EveryFault(scratch.Path(), launcher_dir, old_tree, new_tree, operations, commit_mark, archive_removal);
}

TEST_F(UpdateCrash, EveryOperationOfAReleaseFailedOrStoppedLeavesTheOldOrTheNewTree) {
  release_ = true;
  Build();
  zip_test::TempDir scratch;
  const fs::path launcher_dir = scratch / "launcher";
  fs::create_directories(launcher_dir);
  const fs::path reference = scratch / "ref000";
  MakeOldTree(reference);
  const Tree old_tree = Snapshot(reference);
  FaultOps counting;
  EXPECT_EQ(Run(reference, launcher_dir, counting), "");
  const Tree new_tree = Snapshot(reference);
  EXPECT_EQ(zip_test::ReadFile(reference / "core.dll"), std::string(70000, 'C')) << "the patched file";
  EXPECT_FALSE(fs::exists(reference / "gone.txt"));
  EXPECT_FALSE(fs::exists(reference / "old")) << "the folders the removal leaves empty";
  EXPECT_EQ(zip_test::ReadFile(reference / "keep.txt"), "not in the update");
  EXPECT_EQ(zip_test::ReadFile(reference / "UPDATE" / "RELEASE.INF"), record_);
  EXPECT_FALSE(fs::exists(reference / "UPDATE" / "~HALVEX"));
  EXPECT_NE(Result(reference).find("\r\nPATCHED=1\r\nREMOVED=2\r\n"), std::string::npos) << Result(reference);
  ASSERT_GT(counting.archive_removal_at, counting.commit_mark_at);
  ASSERT_GT(counting.commit_mark_at, 0);
  // The manifest and the patch set aside, the whole files, the patched one: all made through them.
  EXPECT_EQ(counting.files_made, 2 + 19);
  EveryFault(scratch.Path(), launcher_dir, old_tree, new_tree, counting.count, counting.commit_mark_at,
             counting.archive_removal_at);
}

void UpdateCrash::EveryFault(const fs::path& scratch, const fs::path& launcher_dir, const Tree& old_tree,
                             const Tree& new_tree, int operations, int commit_mark, int archive_removal) {
  for (FaultOps::Mode mode : {FaultOps::Mode::kError, FaultOps::Mode::kStop}) {
    for (int k = 0; k < operations; ++k) {
      const bool stop = mode == FaultOps::Mode::kStop;
      SCOPED_TRACE((stop ? "stop at operation " : "failure at operation ") + std::to_string(k));
      char name[16];
      std::snprintf(name, sizeof name, "r%d%04d", static_cast<int>(mode), k);
      const fs::path app = scratch / name;
      MakeOldTree(app);
      FaultOps faulty;
      faulty.mode = mode;
      faulty.fault_at = k;
      bool stopped = false;
      std::string error;
      try {
        error = Run(app, launcher_dir, faulty);
      } catch (const update_test::Stopped&) {
        stopped = true;
      }
      EXPECT_EQ(stopped, stop);
      // Until the journal says the moves are complete the old version stands; after it, the new.
      const bool committed = k > commit_mark;
      // A failure once the update is committed (its cleanup, the archive's removal) is only logged.
      if (!stop && !committed) {
        EXPECT_TRUE(error.starts_with(launcher::TextOf(launcher::Text::kNotApplied))) << error;
        EXPECT_NE(error.find("injected failure"), std::string::npos) << error;
      } else if (!stop) {
        EXPECT_EQ(error, "");
      }
      const Tree& expected = committed ? new_tree : old_tree;
      if (!stop) {
        EXPECT_EQ(Result(app).starts_with("RESULT=applied"), committed) << Result(app);
        // Only a failure in the cleanup after the commit leaves the work folder (to the next run);
        // one at the applied archive's removal leaves the archive.
        EXPECT_EQ(fs::exists(app / "UPDATE" / "~HALVEX"), committed && k != archive_removal);
        EXPECT_EQ(fs::exists(launcher_dir / "UPDATE.ZIP"), !committed || k == archive_removal);
      }
      // A new run begins by resolving what this one left.
      launcher::UpdateLog log(platform::SystemFileOps(), zip_test::EnginePath(app) + "\\");
      launcher::UpdateTransaction next(platform::SystemFileOps(), clock_, log, zip_test::EnginePath(app) + "\\");
      next.Recover();
      Tree now = committed ? WithoutFolderTimes(Snapshot(app)) : Snapshot(app);
      Tree want = committed ? WithoutFolderTimes(expected) : expected;
      // A patched file and the record are made by the run: they have the time they were made.
      if (committed)
        for (const char* made : {"core.dll", "UPDATE/RELEASE.INF"})
          if (release_ && now.count(made) && want.count(made)) now[made].mtime = want[made].mtime = 0;
      EXPECT_TRUE(now == want) << Describe(now, want);
      for (const auto& e : fs::recursive_directory_iterator(app)) fs::permissions(e.path(), fs::perms::owner_all, fs::perm_options::add);
      fs::remove_all(app);
    }
  }
}

TEST_F(UpdateCrash, EveryOperationOfARevertFailedOrStoppedLeavesTheNewTreeOrTheOldOne) {
  description_extra_ = "CONFIRM_SECONDS=5\r\n";
  zip_test::TempDir scratch;
  const fs::path launcher_dir = scratch / "launcher";
  fs::create_directories(launcher_dir);

  const fs::path reference = scratch / "ref000";
  MakeOldTree(reference);
  const Tree old_tree = Snapshot(reference);
  // The new tree as a confirmed release leaves it.
  const fs::path applied = scratch / "app000";
  MakeOldTree(applied);
  {
    FaultOps ops;
    zip_test::WriteFile(launcher_dir / "UPDATE.ZIP", archive_);
    launcher::Launch launch;
    launcher::FormCreate(host_, {zip_test::EnginePath(applied / "App.exe"), "/silent"}, launch);
    zip::TUnZipper unzipper;
    unzipper.SetOverwriteMode(zip::Always);
    launcher::ConnectUnZipper(unzipper, host_, launch.request);
    launcher::UpdateEnvironment env;
    env.ops = &ops;
    env.clock = &clock_;
    env.start = [&](const std::string&, const std::string&, std::string&) -> std::unique_ptr<platform::StartedProgram> {
      zip_test::WriteFile(applied / "UPDATE" / "CONFIRMED", "");
      struct Running : platform::StartedProgram {
        std::optional<uint32_t> ExitCode() override { return std::nullopt; }
      };
      return std::make_unique<Running>();
    };
    const launcher::RunOutcome outcome =
        launcher::ExtractUpdate(unzipper, host_, launch.request, zip_test::EnginePath(launcher_dir) + "\\", env);
    launcher::FinishRun(host_, launch, outcome, env);
    ASSERT_EQ(host_.exit_code, launcher::kExitApplied);
  }
  const Tree new_tree = WithoutFolderTimes(Snapshot(applied));
  ASSERT_NE(WithoutFolderTimes(old_tree), new_tree);

  FaultOps counting;
  RunReverted(reference, launcher_dir, counting);
  EXPECT_EQ(host_.exit_code, launcher::kExitReverted);
  EXPECT_TRUE(Result(reference).starts_with("RESULT=reverted\r\n")) << Result(reference);
  {
    const Tree now = Snapshot(reference);
    EXPECT_TRUE(now == old_tree) << "bytes, attributes and times put back:" << Describe(now, old_tree);
  }
  const int operations = counting.count;
  const int revert_mark = counting.revert_mark_at;
  ASSERT_GT(revert_mark, counting.commit_mark_at);
  ASSERT_GT(operations, revert_mark + 20);

  for (FaultOps::Mode mode : {FaultOps::Mode::kError, FaultOps::Mode::kStop}) {
    for (int k = revert_mark; k < operations; ++k) {
      const bool stop = mode == FaultOps::Mode::kStop;
      SCOPED_TRACE((stop ? "stop at operation " : "failure at operation ") + std::to_string(k));
      char name[16];
      std::snprintf(name, sizeof name, "v%d%04d", static_cast<int>(mode), k);
      const fs::path app = scratch / name;
      MakeOldTree(app);
      FaultOps faulty;
      faulty.mode = mode;
      faulty.fault_at = k;
      bool stopped = false;
      try {
        RunReverted(app, launcher_dir, faulty);
      } catch (const update_test::Stopped&) {
        stopped = true;
      }
      EXPECT_EQ(stopped, stop);
      // Until the journal is marked for the revert the new release stands, and a later run keeps
      // it; once marked, the old version comes back, finished by the next run if need be.
      const bool reverted = k > revert_mark;
      if (!stop) {
        EXPECT_EQ(Result(app).starts_with("RESULT=reverted"), reverted) << Result(app);
        EXPECT_EQ(host_.exit_code, reverted ? launcher::kExitReverted : launcher::kExitApplied);
      }
      launcher::UpdateLog log(platform::SystemFileOps(), zip_test::EnginePath(app) + "\\");
      launcher::UpdateTransaction next(platform::SystemFileOps(), clock_, log, zip_test::EnginePath(app) + "\\");
      next.Recover();
      EXPECT_FALSE(fs::exists(app / "UPDATE" / "~HALVEX"));
      Tree now = reverted ? Snapshot(app) : WithoutFolderTimes(Snapshot(app));
      Tree want = reverted ? old_tree : new_tree;
      // A folder's attributes and time that cannot be put back are told, not retried: the old
      // version works without them.
      if (!stop && counting.stamp_ops.count(k)) {
        for (Tree* t : {&now, &want})
          for (auto& [rel, item] : *t)
            if (item.folder) item.mode = 0, item.mtime = 0;
      }
      EXPECT_TRUE(now == want) << Describe(now, want);
      for (const auto& e : fs::recursive_directory_iterator(app)) fs::permissions(e.path(), fs::perms::owner_all, fs::perm_options::add);
      fs::remove_all(app);
    }
  }
}

}  // namespace
