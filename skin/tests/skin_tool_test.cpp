// The halvex-skin command line (native build): pack, unpack, info and list on the carried skins'
// sources and packages, and on input that is no skin at all. A failed command says why on stderr,
// exits with 1 and writes nothing.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

namespace {

namespace fs = std::filesystem;

const fs::path kSkins = fs::path(HALVEX_SOURCE_DIR) / "assets" / "skins";

std::string Read(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void Write(const fs::path& p, const std::string& bytes) { std::ofstream(p, std::ios::binary) << bytes; }

std::string Q(const fs::path& p) { return "'" + p.string() + "'"; }

struct Result {
  int code;
  std::string out, err;
};

class SkinTool : public testing::Test {
 protected:
  void SetUp() override {
    std::error_code ec;
    tool_ = fs::read_symlink("/proc/self/exe", ec).parent_path() / "halvex-skin";
    ASSERT_TRUE(fs::exists(tool_)) << "halvex-skin is built beside the tests: " << tool_;
    dir_ = fs::temp_directory_path() / ("halvex_skin_tool_" + std::to_string(std::random_device{}()));
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  Result Run(const std::string& args) {
    const int status = std::system(("cd " + Q(dir_) + " && " + Q(tool_) + " " + args + " > out.txt 2> err.txt").c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, Read(dir_ / "out.txt"), Read(dir_ / "err.txt")};
  }

  fs::path tool_, dir_;
};

TEST_F(SkinTool, PackGivesTheCarriedPackageAndUnpackPackRoundTrips) {
  for (const char* name : {"AquaT", "Laconic"}) {
    SCOPED_TRACE(name);
    const std::string carried = Read(kSkins / "packed" / (std::string(name) + ".skn"));
    ASSERT_FALSE(carried.empty());
    Result r = Run("pack " + Q(kSkins / name / "skin.ini") + " first.skn");
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "first.skn: " + std::to_string(carried.size()) + " bytes\n");
    EXPECT_EQ(Read(dir_ / "first.skn"), carried);

    r = Run("unpack first.skn unpacked");
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out.rfind("unpacked: ", 0), 0u) << r.out;
    // Every picture the INI names is back under its name, with the INI beside them.
    for (const auto& item : fs::directory_iterator(kSkins / name))
      EXPECT_TRUE(fs::exists(dir_ / "unpacked" / item.path().filename())) << item.path().filename();
    r = Run("pack unpacked/skin.ini second.skn");
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(Read(dir_ / "second.skn"), carried);
    fs::remove_all(dir_ / "unpacked");
  }
}

TEST_F(SkinTool, InfoDescribesThePackage) {
  const Result r = Run("info " + Q(kSkins / "packed" / "AquaT.skn"));
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out.rfind("package: version 3, ", 0), 0u) << r.out;
  for (const char* line : {"picture: 260 x 180, 24 bpp", "mask: 260 x 180, 1 bpp", "active pictures: 6",
                           "  [VERSION] ", "  [FORMINFO] "})
    EXPECT_NE(r.out.find(line), std::string::npos) << line << "\n" << r.out;
}

TEST_F(SkinTool, ListNamesTheTwelveCarriedSkinsInTheWindowsOrder) {
  const Result r = Run("list");
  EXPECT_EQ(r.code, 0) << r.err;
  const char* order[] = {"AquaT", "Office2013_Blue", "Office2013_Green", "Office2013_Orange", "Office2013_Purple",
                         "Office2010_Black", "Office2010_Blue", "Office2010_Silver", "Ubuntu", "iTunes10_std",
                         "iMetal", "Laconic"};
  std::istringstream lines(r.out);
  std::string line;
  int index = 0;
  while (std::getline(lines, line)) {
    ASSERT_LT(index, 12) << line;
    char head[8];
    std::snprintf(head, sizeof head, "%2d  ", index);
    EXPECT_EQ(line.rfind(std::string(head) + order[index] + ".skn ", 0), 0u) << line;
    const std::string size = std::to_string(fs::file_size(kSkins / "packed" / (std::string(order[index]) + ".skn")));
    EXPECT_NE(line.find(" " + size + " bytes"), std::string::npos) << line;
    ++index;
  }
  EXPECT_EQ(index, 12);
}

struct BadInput {
  const char* name;
  const char* args;     // run in the test's folder, which holds text.txt, good.skn, cut.skn (its first
                        // 5000 bytes), a plain file "file", aqua/ (AquaT's sources without
                        // hint.bmp) and bad/ (frame.bmp cut short)
  const char* message;  // stderr
  int code;
  const char* not_written;  // path that must not exist afterwards ("" for none)
};

class SkinToolRefuses : public SkinTool, public testing::WithParamInterface<BadInput> {};

TEST_P(SkinToolRefuses, WithItsMessageAndWritesNothing) {
  const BadInput& c = GetParam();
  Write(dir_ / "text.txt", "not a skin\n");
  Write(dir_ / "file", "a plain file\n");
  fs::copy(kSkins / "packed" / "AquaT.skn", dir_ / "good.skn");
  Write(dir_ / "cut.skn", Read(dir_ / "good.skn").substr(0, 5000));
  fs::copy(kSkins / "AquaT", dir_ / "aqua");
  fs::remove(dir_ / "aqua" / "hint.bmp");
  fs::copy(kSkins / "AquaT", dir_ / "bad");
  Write(dir_ / "bad" / "frame.bmp", Read(kSkins / "AquaT" / "frame.bmp").substr(0, 100));
  const Result r = Run(c.args);
  EXPECT_EQ(r.code, c.code) << r.err;
  EXPECT_EQ(r.err.substr(0, std::string(c.message).size()), c.message) << r.err;
  if (*c.not_written) EXPECT_FALSE(fs::exists(dir_ / c.not_written));
  EXPECT_EQ(Read(dir_ / "file"), "a plain file\n");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SkinToolRefuses,
    testing::Values(
        BadInput{"PackMissingIni", "pack missing.ini out.skn",
                 "halvex-skin: Cannot open file \"missing.ini\". ", 1, "out.skn"},
        BadInput{"PackTextWithoutSections", "pack text.txt out.skn",
                 "halvex-skin: text.txt lacks one of the sections VERSION, PICTURES, FORMINFO, SKINOBJECTS, "
                 "SKINCONTROLS\n",
                 1, "out.skn"},
        BadInput{"PackMissingPicture", "pack aqua/skin.ini out.skn",
                 "halvex-skin: Cannot open file \"aqua/hint.bmp\". ", 1, "out.skn"},
        BadInput{"PackBrokenPicture", "pack bad/skin.ini out.skn", "halvex-skin: Bitmap image is not valid\n", 1,
                 "out.skn"},
        BadInput{"UnpackText", "unpack text.txt out",
                 "halvex-skin: \"text.txt\" holds no skin package (empty, or version above 3)\n", 1, "out"},
        BadInput{"UnpackCutPackage", "unpack cut.skn out", "halvex-skin: Stream read error\n", 1, "out"},
        BadInput{"UnpackMissing", "unpack missing.skn out", "halvex-skin: Cannot open file \"missing.skn\". ", 1,
                 "out"},
        BadInput{"UnpackOntoAFile", "unpack good.skn file", "halvex-skin: Cannot create folder \"file\". ", 1, ""},
        BadInput{"InfoCutPackage", "info cut.skn", "halvex-skin: Stream read error\n", 1, ""},
        BadInput{"InfoMissing", "info missing.skn", "halvex-skin: Cannot open file \"missing.skn\". ", 1, ""},
        BadInput{"UnknownCommand", "frob", "usage: halvex-skin pack SKIN.ini OUT.skn\n", 2, ""},
        BadInput{"ListWithAnArgument", "list extra", "usage: halvex-skin pack SKIN.ini OUT.skn\n", 2, ""}),
    [](const testing::TestParamInfo<BadInput>& info) { return info.param.name; });

}  // namespace
#endif  // _WIN32
