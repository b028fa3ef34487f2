// The launcher's decisions on a release: refused (and why) or the files to write, remove and keep.
#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "release/release_plan.h"
#include "release/sha256.h"
#include "test_support.h"

namespace release {
namespace {

// An installation in memory: file paths ('\' separated) and their bytes; folders are implied.
class MemoryTree : public InstalledTree {
 public:
  std::map<std::string, std::string> files;
  std::map<std::string, std::string> unreadable;  // path -> error text

  Kind KindOf(const std::string& path) override {
    if (files.count(path) || unreadable.count(path)) return Kind::kFile;
    for (const auto& [p, _] : files)
      if (p.rfind(path + "\\", 0) == 0) return Kind::kFolder;
    return Kind::kNone;
  }
  Sha256 HashOf(const std::string& path) override {
    if (unreadable.count(path)) throw platform::EReadError(unreadable[path]);
    return Sha256Of(files.at(path));
  }
  std::vector<platform::FolderItem> List(const std::string& folder) override {
    std::map<std::string, bool> items;
    for (const auto& [p, _] : files) {
      if (p.rfind(folder + "\\", 0) != 0) continue;
      const std::string rest = p.substr(folder.size() + 1);
      const size_t sep = rest.find('\\');
      items[rest.substr(0, sep)] = sep != std::string::npos;
    }
    std::vector<platform::FolderItem> out;
    for (const auto& [name, is_folder] : items) out.push_back({name, is_folder});
    return out;
  }
};

Manifest Release(const std::string& version, std::vector<std::string> from) {
  Manifest m;
  m.product = "Acme";
  m.version = *Version::Parse(version);
  m.from_any = from.empty();
  for (const std::string& v : from) m.from.push_back(*Version::Parse(v));
  return m;
}

Record Installed(const std::string& product, const std::string& version) {
  return Record{product, *Version::Parse(version), {}};
}

struct ApplicableCase {
  const char* what;
  std::optional<Record> installed;
  std::string version;
  std::vector<std::string> from;  // empty: any
  bool rollback;
  std::optional<RefusalReason> refused;
  const char* message;  // part of the message when refused
};

class ApplicableTest : public testing::TestWithParam<ApplicableCase> {};

TEST_P(ApplicableTest, RefusesOrLetsThrough) {
  const ApplicableCase& c = GetParam();
  Manifest m = Release(c.version, c.from);
  m.rollback = c.rollback;
  if (!c.refused) {
    EXPECT_NO_THROW(CheckApplicable(m, c.installed));
    return;
  }
  try {
    CheckApplicable(m, c.installed);
    FAIL() << "applied";
  } catch (const ERefusedRelease& e) {
    EXPECT_EQ(e.Reason(), *c.refused);
    EXPECT_NE(e.Message().find(c.message), std::string::npos) << e.Message();
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ApplicableTest,
    testing::Values(
        ApplicableCase{"newer_from_installed", Installed("Acme", "1.2"), "1.3", {"1.1", "1.2"}, false, {}, ""},
        ApplicableCase{"newer_from_any", Installed("Acme", "1.2"), "2", {}, false, {}, ""},
        ApplicableCase{"other_product", Installed("Other", "1.2"), "1.3", {}, false, RefusalReason::kOtherProduct,
                       "The update is for \"Acme\", not for this application (\"Other\")."},
        ApplicableCase{"equal", Installed("Acme", "1.3.0"), "1.3", {}, false, RefusalReason::kAlreadyInstalled,
                       "Version 1.3 of \"Acme\" is installed already."},
        ApplicableCase{"equal_even_as_rollback", Installed("Acme", "1.3"), "1.3", {}, true,
                       RefusalReason::kAlreadyInstalled, "installed already"},
        ApplicableCase{"older", Installed("Acme", "1.10"), "1.9", {}, false, RefusalReason::kOlder,
                       "back from version 1.10 to the older 1.9, and it is not marked as a rollback."},
        ApplicableCase{"older_rollback", Installed("Acme", "1.10"), "1.9", {"1.10"}, true, {}, ""},
        ApplicableCase{"rollback_from_other_version", Installed("Acme", "1.11"), "1.9", {"1.10"}, true,
                       RefusalReason::kNotFromVersion, "applies to version 1.10 only; version 1.11 is installed."},
        ApplicableCase{"wrong_from", Installed("Acme", "1.0"), "1.3", {"1.1", "1.2"}, false,
                       RefusalReason::kNotFromVersion,
                       "The update to version 1.3 of \"Acme\" applies to version 1.1 or 1.2 only; version 1.0 is installed."},
        ApplicableCase{"no_record", std::nullopt, "1.3", {"1.2"}, false, RefusalReason::kUnknownVersion,
                       "does not say which version it is (it has no UPDATE\\RELEASE.INF)"},
        ApplicableCase{"no_record_from_any", std::nullopt, "1.3", {}, false, {}, ""}),
    [](const testing::TestParamInfo<ApplicableCase>& info) { return std::string(info.param.what); });

ReleaseFile FileOf(const std::string& path, const std::string& bytes) {
  return ReleaseFile{path, bytes.size(), Sha256Of(bytes)};
}

class PlanTest : public testing::Test {
 protected:
  void SetUp() override {
    m = Release("2", {"1"});
    m.files = {FileOf("app.exe", "new app"), FileOf("lib\\core.dll", "core v2"), FileOf("lib\\same.dll", "same"),
               FileOf("docs\\new.txt", "new doc")};
    m.dropped = {{"lib\\old.dll", Sha256Of("old dll")},  {"plugins\\a\\x.dll", Sha256Of("x")},
                 {"plugins\\b.dll", Sha256Of("b")},      {"tools\\edited.ini", Sha256Of("vendor ini")},
                 {"gone.txt", Sha256Of("gone")},         {"now a folder", Sha256Of("f")},
                 {"locked.dat", Sha256Of("locked")}};
    tree.files = {{"app.exe", "old app"},           {"lib\\core.dll", "core v1"},
                  {"lib\\same.dll", "same"},        {"lib\\old.dll", "old dll"},
                  {"plugins\\a\\x.dll", "x"},       {"plugins\\b.dll", "b"},
                  {"tools\\edited.ini", "changed"}, {"user\\notes.txt", "mine"},
                  {"now a folder\\y", "y"},         {"UPDATE\\VER_INFO.INF", "x"}};
    tree.unreadable = {{"locked.dat", "Stream read error"}};
  }
  Manifest m;
  MemoryTree tree;
};

TEST_F(PlanTest, WritesRemovesOnlyTheVendorsBytesAndEmptiesFolders) {
  const ReleasePlan plan =
      PlanRelease(m, {{"app.exe", 7}, {"lib\\core.dll", 7}, {"docs\\new.txt", 7}}, tree);
  ASSERT_EQ(plan.writes.size(), 3u);
  EXPECT_TRUE(plan.writes[0].replaces);
  EXPECT_FALSE(plan.writes[2].replaces);
  EXPECT_EQ(plan.writes[1].sha256, Sha256Of("core v2"));
  EXPECT_EQ(plan.removes, (std::vector<std::string>{"lib\\old.dll", "plugins\\a\\x.dll", "plugins\\b.dll"}));
  ASSERT_EQ(plan.kept.size(), 3u);
  EXPECT_EQ(plan.kept[0].path, "tools\\edited.ini");
  EXPECT_EQ(plan.kept[0].why, "changed since the vendor shipped it");
  EXPECT_EQ(plan.kept[1].why, "a folder is there now");
  EXPECT_EQ(plan.kept[2].why, "it could not be read: Stream read error");
  // lib keeps same.dll and core.dll; plugins and plugins\a hold nothing else.
  EXPECT_EQ(plan.empty_folders, (std::vector<std::string>{"plugins\\a", "plugins"}));
  EXPECT_TRUE(plan.missing.empty());
}

TEST_F(PlanTest, AFolderTheReleaseWritesIntoIsNotEmptied) {
  m.files.push_back(FileOf("plugins\\c.dll", "c"));
  const ReleasePlan plan = PlanRelease(m, {{"plugins\\c.dll", 1}}, tree);
  EXPECT_EQ(plan.empty_folders, (std::vector<std::string>{"plugins\\a"}));
}

TEST_F(PlanTest, AUserFileKeepsItsFolder) {
  tree.files["plugins\\a\\mine.cfg"] = "user";
  const ReleasePlan plan = PlanRelease(m, {}, tree);
  EXPECT_TRUE(plan.empty_folders.empty());
  EXPECT_EQ(plan.removes.size(), 3u);
}

TEST_F(PlanTest, ReportsReleaseFilesTheInstallationLacks) {
  tree.files.erase("lib\\same.dll");
  const ReleasePlan plan = PlanRelease(m, {{"app.exe", 7}, {"lib\\core.dll", 7}, {"docs\\new.txt", 7}}, tree);
  EXPECT_EQ(plan.missing, (std::vector<std::string>{"lib\\same.dll"}));
}

TEST_F(PlanTest, ArchiveEntriesMustBeTheManifestsFiles) {
  try {
    PlanRelease(m, {{"evil.dll", 3}}, tree);
    FAIL();
  } catch (const ERefusedRelease& e) {
    EXPECT_EQ(e.Reason(), RefusalReason::kNotInManifest);
    EXPECT_EQ(e.Message(), "The update archive holds \"evil.dll\", which its release manifest does not list.");
  }
  try {
    PlanRelease(m, {{"APP.EXE", 8}}, tree);  // found as Windows finds names, but of another size
    FAIL();
  } catch (const ERefusedRelease& e) {
    EXPECT_EQ(e.Reason(), RefusalReason::kSizeMismatch);
    EXPECT_EQ(e.Message(), "\"APP.EXE\" in the update archive has 8 bytes; its release manifest says 7.");
  }
}

TEST_F(PlanTest, StagedFilesAreCheckedAgainstTheManifest) {
  EXPECT_NO_THROW(CheckStagedFile(m, "lib\\core.dll", 7, Sha256Of("core v2")));
  // One byte altered after the release was made, same size.
  EXPECT_THROW(CheckStagedFile(m, "lib\\core.dll", 7, Sha256Of("core v3")), EStagedFileMismatch);
  EXPECT_THROW(CheckStagedFile(m, "lib\\core.dll", 8, Sha256Of("core v2")), EStagedFileMismatch);
  EXPECT_THROW(CheckStagedFile(m, "other.dll", 7, Sha256Of("core v2")), EStagedFileMismatch);
  // The same through the index a release's run checks its files with, by the name Windows sees.
  const ManifestFiles files(m);
  EXPECT_NO_THROW(files.Check("LIB\\Core.DLL", 7, Sha256Of("core v2")));
  EXPECT_THROW(files.Check("lib\\core.dll", 7, Sha256Of("core v3")), EStagedFileMismatch);
  EXPECT_THROW(files.Check("lib\\core.dll", 8, Sha256Of("core v2")), EStagedFileMismatch);
  EXPECT_THROW(files.Check("other.dll", 7, Sha256Of("core v2")), EStagedFileMismatch);
}

TEST_F(PlanTest, TheLaunchersFolderIsNeverEmptied) {
  m.dropped = {{"UPDATE\\VER_INFO.INF", Sha256Of("x")}};
  const ReleasePlan plan = PlanRelease(m, {}, tree);
  EXPECT_EQ(plan.removes, (std::vector<std::string>{"UPDATE\\VER_INFO.INF"}));
  EXPECT_TRUE(plan.empty_folders.empty());
}

// The same release with two of its files shipped as patches against the installed ones.
class PatchPlanTest : public PlanTest {
 protected:
  void SetUp() override {
    PlanTest::SetUp();
    m.patches = {{"app.exe", Sha256Of("old app")}, {"lib\\core.dll", Sha256Of("core v1")}};
  }
  const std::string kApp = "UPDATE\\~HALVEX-PATCH\\app.exe";
  const std::string kCore = "UPDATE\\~HALVEX-PATCH\\lib\\core.dll";
};

TEST_F(PatchPlanTest, PatchedWritesNameTheirEntryAndBase) {
  const ReleasePlan plan = PlanRelease(m, {{kApp, 300}, {"docs\\new.txt", 7}, {"update\\~halvex-patch\\LIB\\CORE.DLL", 2}}, tree);
  ASSERT_EQ(plan.writes.size(), 3u);
  const PlannedWrite& app = plan.writes[0];
  EXPECT_TRUE(app.patched);
  EXPECT_EQ(app.path, "app.exe");
  EXPECT_EQ(app.entry, kApp);
  EXPECT_EQ(app.base_path, "app.exe");
  EXPECT_EQ(app.base_sha256, Sha256Of("old app"));
  EXPECT_EQ(app.size, 7u);  // the result's, not the patch's
  EXPECT_EQ(app.sha256, Sha256Of("new app"));
  EXPECT_TRUE(app.replaces);
  EXPECT_FALSE(plan.writes[1].patched);
  EXPECT_EQ(plan.writes[2].path, "lib\\core.dll");  // the manifest's name, found as Windows finds names
  EXPECT_EQ(plan.writes[2].base_sha256, Sha256Of("core v1"));
  EXPECT_TRUE(plan.missing.empty());
  for (const PatchBase& b : BasesToVerify(m, tree)) {
    EXPECT_TRUE(b.Matches()) << b.path << ": " << b.why;
    EXPECT_EQ(b.found, b.sha256);
  }
}

struct BaseCase {
  const char* what;
  std::function<void(MemoryTree&)> change;
  const char* why;
  bool found_by_reading;  // left to the launcher's read for patching when it checks the bases so
};

class ChangedBaseTest : public PatchPlanTest, public testing::WithParamInterface<BaseCase> {};

TEST_P(ChangedBaseTest, RefusesTheUpdateNamingTheFile) {
  GetParam().change(tree);
  const std::vector<PatchBase> bases = BasesToVerify(m, tree);
  ASSERT_EQ(bases.size(), 2u);
  EXPECT_TRUE(bases[0].Matches());
  EXPECT_EQ(bases[1].path, "lib\\core.dll");
  EXPECT_EQ(bases[1].why, GetParam().why);
  try {
    PlanRelease(m, {{kApp, 300}, {kCore, 30}}, tree);
    FAIL() << "planned";
  } catch (const ERefusedRelease& e) {
    EXPECT_EQ(e.Reason(), RefusalReason::kBaseChanged);
    EXPECT_EQ(e.Message(), std::string("The update patches \"lib\\core.dll\", but the installed file is not the one it was "
                                       "made against (") + GetParam().why +
                               "): it was changed, or another version is installed. The full update is needed.");
  }
  // Checked while patching: no base is read here, what needs no reading is refused the same.
  tree.unreadable["app.exe"] = "must not be read";
  const std::vector<PatchBase> unread = BasesToVerify(m, tree, BaseCheck::kWhilePatching);
  ASSERT_EQ(unread.size(), 2u);
  EXPECT_TRUE(unread[0].Matches());
  EXPECT_FALSE(unread[0].found);
  EXPECT_EQ(unread[1].why, GetParam().found_by_reading ? "" : GetParam().why);
  try {
    const ReleasePlan plan = PlanRelease(m, {{kApp, 300}, {kCore, 30}}, tree, BaseCheck::kWhilePatching);
    EXPECT_TRUE(GetParam().found_by_reading) << "planned";
    ASSERT_EQ(plan.writes.size(), 2u);
    EXPECT_EQ(plan.writes[1].base_sha256, Sha256Of("core v1")) << "what the launcher compares the bytes it reads with";
  } catch (const ERefusedRelease& e) {
    EXPECT_FALSE(GetParam().found_by_reading) << e.Message();
    EXPECT_EQ(e.Reason(), RefusalReason::kBaseChanged);
    EXPECT_NE(e.Message().find(GetParam().why), std::string::npos) << e.Message();
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ChangedBaseTest,
    testing::Values(
        BaseCase{"changed", [](MemoryTree& t) { t.files["lib\\core.dll"] = "core v1 patched by the user"; },
                 "its bytes are not those the update was made against", true},
        BaseCase{"other_version_same_size", [](MemoryTree& t) { t.files["lib\\core.dll"] = "core v0"; },
                 "its bytes are not those the update was made against", true},
        BaseCase{"removed", [](MemoryTree& t) { t.files.erase("lib\\core.dll"); }, "it is not installed", false},
        BaseCase{"a_folder", [](MemoryTree& t) {
                   t.files.erase("lib\\core.dll");
                   t.files["lib\\core.dll\\x"] = "x";
                 }, "a folder is there", false},
        BaseCase{"unreadable", [](MemoryTree& t) {
                   t.files.erase("lib\\core.dll");
                   t.unreadable["lib\\core.dll"] = "Stream read error";
                 }, "it could not be read: Stream read error", true}),
    [](const testing::TestParamInfo<BaseCase>& info) { return std::string(info.param.what); });

TEST_F(PatchPlanTest, PatchEntriesMustMatchThePatchLines) {
  const struct {
    const char* what;
    std::vector<ArchiveFile> archive;
    const char* message;
  } cases[] = {
      {"a patch line without its entry", {{kApp, 300}},
       "The update archive lacks the patch of \"lib\\core.dll\" that its release manifest names "
       "(UPDATE\\~HALVEX-PATCH\\lib\\core.dll)."},
      {"a patch the manifest does not name", {{kApp, 300}, {kCore, 3}, {"UPDATE\\~HALVEX-PATCH\\docs\\new.txt", 3}},
       "The update archive holds the patch \"UPDATE\\~HALVEX-PATCH\\docs\\new.txt\", which its release manifest does not list."},
      {"a patched file whole as well", {{kApp, 300}, {kCore, 3}, {"app.exe", 7}},
       "The update archive holds \"app.exe\" whole, and its release manifest says it comes as a patch."},
  };
  for (const auto& c : cases) {
    try {
      PlanRelease(m, c.archive, tree);
      ADD_FAILURE() << c.what << ": planned";
    } catch (const ERefusedRelease& e) {
      EXPECT_EQ(e.Reason(), RefusalReason::kPatchMismatch) << c.what;
      EXPECT_EQ(e.Message(), c.message) << c.what;
    }
  }
}

TEST(InstalledRecordTest, ReadFromTheApplicationsFolder) {
  zip_test::TempDir dir;
  const std::string app = dir.Engine() + "\\";
  EXPECT_EQ(ReadInstalledRecord(app), std::nullopt);
  zip_test::WriteFile(dir / "UPDATE" / "RELEASE.INF", FormatRecord(Installed("Acme", "3.1")));
  const std::optional<Record> record = ReadInstalledRecord(app);
  ASSERT_TRUE(record);
  EXPECT_EQ(record->version.Text(), "3.1");
  // A file past the limit is refused whole, not read up to it.
  zip_test::WriteFile(dir / "UPDATE" / "RELEASE.INF", FormatRecord(Installed("Acme", "3.1")) + std::string(kMaxTextSize, 'x'));
  EXPECT_THROW(ReadInstalledRecord(app), EManifestError);
  zip_test::WriteFile(dir / "UPDATE" / "RELEASE.INF", "NAME=App\r\n");
  try {
    ReadInstalledRecord(app);
    FAIL();
  } catch (const EManifestError& e) {
    EXPECT_NE(e.Message().find("RELEASE.INF\" is not a valid release record: line 1"), std::string::npos) << e.Message();
  }
}

}  // namespace
}  // namespace release
