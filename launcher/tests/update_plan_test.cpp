// What the update will write, decided before anything is written.
#include "launcher/update_plan.h"

#include <gtest/gtest.h>

namespace {

using launcher::ArchiveEntry;
using launcher::MakePlan;

const std::string kApp = "C:\\App\\";

ArchiveEntry File(const std::string& folder, const std::string& name, uint64_t size = 1) {
  return ArchiveEntry{-1, folder, name, size};
}

TEST(UpdatePlan, FinalPathsFollowThePlacementRuleAndTheConfiguredSkips) {
  const launcher::UpdatePlan plan =
      MakePlan(kApp,
               {File("", "App.exe", 10), File("sub\\deep\\", "a.dll", 20), File("\\abs\\", "x.txt", 3),
                File("D:\\other\\", "y.txt", 4), File("", "keep.cfg", 100), ArchiveEntry{-1, "empty\\", "", 0, 0x12}},
               "C:\\App\\keep.cfg", "");
  std::vector<std::string> finals;
  for (const auto& f : plan.files) finals.push_back(f.final_path);
  EXPECT_EQ(finals, (std::vector<std::string>{"C:\\App\\App.exe", "C:\\App\\sub\\deep\\a.dll", "C:\\App\\abs\\x.txt",
                                              "C:\\App\\other\\y.txt"}));
  EXPECT_EQ(plan.files[1].rel, "sub\\deep\\a.dll");
  EXPECT_EQ(plan.folders, (std::vector<std::string>{"sub", "sub\\deep", "abs", "other", "empty"}));
  EXPECT_EQ(plan.total_size, 37u) << "the skipped entry takes no room";
  ASSERT_EQ(plan.skipped.size(), 1u) << "shown, not written";
  EXPECT_EQ(plan.skipped[0].final_path, "C:\\App\\keep.cfg");
  ASSERT_EQ(plan.folder_entries.size(), 1u) << "the folder entry, with the attributes it gives its folder";
  EXPECT_EQ(plan.folder_entries[0].rel, "empty");
  EXPECT_EQ(plan.folder_entries[0].attributes, 0x12u);
}

TEST(UpdatePlan, SkipComparesPathsAsWindowsDoes) {
  // As the window's handler: c:\app\KEEP.CFG names the file C:\App\keep.cfg on Windows.
  for (const char* value : {"C:\\App\\keep.cfg", "c:\\app\\KEEP.CFG", "keep.cfg", "C:/App/sub/../keep.cfg"}) {
    EXPECT_EQ(MakePlan(kApp, {File("", "keep.cfg"), File("", "App.exe")}, value, "").files.size(), 1u) << value;
    EXPECT_EQ(MakePlan(kApp, {File("", "keep.cfg"), File("", "App.exe")}, "", value).files.size(), 1u) << value;
  }
  EXPECT_EQ(MakePlan("c:\\app\\", {File("", "keep.cfg")}, "C:\\App\\keep.cfg", "").files.size(), 0u)
      << "the launcher started with the application's path in another case";
  EXPECT_EQ(MakePlan(kApp, {File("", "keep.cfg")}, "C:\\App\\keep.cfg.bak", "").files.size(), 1u);
}

struct Refusal {
  const char* what;
  std::vector<ArchiveEntry> entries;
  const char* message_part;
};

class UpdatePlanRefuses : public testing::TestWithParam<Refusal> {};

TEST_P(UpdatePlanRefuses, BeforeAnythingIsWritten) {
  try {
    MakePlan(kApp, GetParam().entries, "", "");
    FAIL() << "accepted";
  } catch (const launcher::EUpdateRefused& e) {
    EXPECT_NE(std::string(e.what()).find(GetParam().message_part), std::string::npos) << e.what();
  }
}

INSTANTIATE_TEST_SUITE_P(
    Destinations, UpdatePlanRefuses,
    testing::Values(
        Refusal{"parent", {File("..\\", "evil.dll")}, "\"C:\\App\\..\\evil.dll\" lies outside the application's folder"},
        Refusal{"deep parent", {File("a\\..\\..\\", "evil.dll")}, "lies outside"},
        Refusal{"device", {File("", "CON.txt")}, "\"C:\\App\\CON.txt\" is not a name Windows can create: CON is a device"},
        Refusal{"device lower case", {File("", "nul")}, "nul is a device name"},
        Refusal{"device folder", {File("com1\\", "a.txt")}, "com1 is a device name"},
        Refusal{"device with blank", {File("", "LPT9 .log")}, "device name"},
        Refusal{"trailing dot", {File("", "readme.")}, "must not end with a dot or a blank"},
        Refusal{"trailing blank", {File("dir \\", "a")}, "must not end with a dot or a blank"},
        Refusal{"colon", {File("", "a:stream")}, "must not contain"},
        Refusal{"question mark", {File("", "what?.txt")}, "must not contain"},
        Refusal{"control character", {File("", "a\x01.txt")}, "must not contain"},
        Refusal{"case collision", {File("", "Readme.txt"), File("", "README.TXT")},
                "\"C:\\App\\Readme.txt\" and \"C:\\App\\README.TXT\" would be the same name on Windows"},
        Refusal{"folder case collision", {File("Sub\\", "a.txt"), File("SUB\\", "a.txt")}, "same name on Windows"},
        Refusal{"non-ASCII case collision", {File("", "\xC3\xA4.txt"), File("", "\xC3\x84.txt")}, "same name"},
        Refusal{"twice", {File("", "a.txt"), File("", "a.txt")}, "two entries of the archive would be written to"},
        Refusal{"file and folder", {File("", "lib"), File("lib\\", "x.dll")}, "\"C:\\App\\lib\" would be both a file and a folder"},
        Refusal{"work folder", {File("update\\~halvex\\", "JOURNAL")}, "the updater's own work folder"}),
    [](const testing::TestParamInfo<Refusal>& info) {
      std::string name = info.param.what;
      for (char& c : name)
        if (!isalnum(static_cast<unsigned char>(c))) c = '_';
      return name;
    });

// Entries the engine cannot decode are refused by the plan, before anything is written, with the
// entry and the method named; a skipped one does not matter, since it is never decoded.
TEST(UpdatePlan, EntriesTheEngineCannotDecodeAreRefused) {
  struct Case {
    uint16_t method, flags;
    const char* reason;  // "" when the engine decodes it
  };
  const Case cases[] = {
      {0, 0, ""},
      {1, 0, ""},
      {2, 0, ""},
      {5, 0, ""},
      {6, 0, ""},
      {8, 0, ""},
      {9, 0, ""},
      {12, 0, ""},
      {14, 0, ""},
      {93, 0, ""},
      {95, 0, ""},
      {10, 0, "is compressed with method 10 (PKWARE DCL Implode), which the launcher cannot decode"},
      {98, 0, "is compressed with method 98 (PPMd), which the launcher cannot decode"},
      {4711, 0, "is compressed with method 4711, which the launcher cannot decode"},
      {8, 0x0001, "is encrypted, and the launcher is given no password"},
      {99, 0x0001, "is encrypted with AES, which the launcher cannot decrypt"},
      {8, 0x0041, "is encrypted with PKWARE strong encryption, which the launcher cannot decrypt"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.method) + "/" + std::to_string(c.flags));
    EXPECT_EQ(launcher::UndecodableReason(c.method, c.flags), c.reason);
    ArchiveEntry entry = File("lib\\", "big.txt");
    entry.undecodable = launcher::UndecodableReason(c.method, c.flags);
    if (*c.reason == 0) {
      EXPECT_EQ(MakePlan(kApp, {entry}, "", "").files.size(), 1u);
      continue;
    }
    try {
      MakePlan(kApp, {File("", "first.txt"), entry}, "", "");
      ADD_FAILURE() << "accepted";
    } catch (const launcher::EUpdateRefused& e) {
      EXPECT_EQ(std::string(e.what()), std::string("the archive's entry \"lib\\big.txt\" ") + c.reason);
    }
    EXPECT_EQ(MakePlan(kApp, {entry}, "C:\\App\\lib\\big.txt", "").files.size(), 0u) << "skipped: never decoded";
  }
}

TEST(UpdatePlan, NamesWindowsTakes) {
  for (const char* ok : {"CONSOLE.txt", "COM10", "LPT", "a.b.c", ".hidden", "space inside", "한글.txt", "nul_"})
    EXPECT_EQ(launcher::WindowsNameProblem(ok), "") << ok;
}

}  // namespace
