// The manifest and record texts: what the reader accepts, what it refuses and why, and that the
// writer's text reads back to the same values.
#include <gtest/gtest.h>
#include <sodium.h>

#include "release/manifest.h"
#include "release/sha256.h"

namespace release {
namespace {

const std::string kHashA(64, 'a');
const std::string kHashB = "b0" + std::string(62, '1');

std::string Good() {
  return "halvex-release 1\nproduct Acme.Tool\nversion 2.1\nfrom 2.0 1.9.3\nrollback\n"
         "file 10 " + kHashA + " bin\\app.exe\nfile 0 " + kHashB + " My Docs\\read me.txt\n"
         "drop " + kHashA + " old\\gone.dll\n";
}

TEST(ManifestTest, ReadsEveryFieldAndWritesTheSameText) {
  const Manifest m = ParseManifest(Good(), "test");
  EXPECT_EQ(m.product, "Acme.Tool");
  EXPECT_EQ(m.version.Text(), "2.1");
  EXPECT_FALSE(m.from_any);
  ASSERT_EQ(m.from.size(), 2u);
  EXPECT_EQ(m.from[1].Text(), "1.9.3");
  EXPECT_TRUE(m.rollback);
  ASSERT_EQ(m.files.size(), 2u);
  EXPECT_EQ(m.files[1].path, "My Docs\\read me.txt");  // blanks belong to the path
  EXPECT_EQ(m.files[0].size, 10u);
  EXPECT_EQ(HexOf(m.files[1].sha256), kHashB);
  ASSERT_EQ(m.dropped.size(), 1u);
  EXPECT_EQ(m.dropped[0].path, "old\\gone.dll");
  // The writer sorts by path and ends every line with LF.
  const std::string again = FormatManifest(m);
  const Manifest m2 = ParseManifest(again, "again");
  EXPECT_EQ(FormatManifest(m2), again);
  EXPECT_EQ(again.find('\r'), std::string::npos);
  EXPECT_LT(again.find("My Docs"), again.find("bin\\app.exe"));  // byte order: 'M' < 'b'
}

TEST(ManifestTest, PatchLinesNeedTheSecondHeaderAndReadBack) {
  Manifest m = ParseManifest(Good(), "t");
  EXPECT_EQ(FormatManifest(m).substr(0, 17), "halvex-release 1\n");  // no patches: readable by every reader
  m.patches = {{"bin\\app.exe", *ParseSha256(kHashB)}, {"My Docs\\read me.txt", *ParseSha256(kHashA)}};
  const std::string text = FormatManifest(m);
  EXPECT_EQ(text.substr(0, 17), "halvex-release 2\n");
  // Sorted by path, after the files and before the drops.
  EXPECT_NE(text.find("file 10 " + kHashA + " bin\\app.exe\npatch " + kHashA + " My Docs\\read me.txt\npatch " + kHashB +
                      " bin\\app.exe\ndrop "),
            std::string::npos)
      << text;
  const Manifest again = ParseManifest(text, "t");
  ASSERT_EQ(again.patches.size(), 2u);
  EXPECT_EQ(again.patches[1].path, "bin\\app.exe");
  EXPECT_EQ(HexOf(again.patches[1].base_sha256), kHashB);
  EXPECT_EQ(FormatManifest(again), text);
  // The installation's record is the result: no patches in it.
  EXPECT_EQ(FormatRecord(RecordOf(again)).find("patch"), std::string::npos);
}

TEST(ManifestTest, PatchEntriesLieInAFolderOfTheirOwn) {
  EXPECT_EQ(PatchEntryName("bin\\app.exe"), "UPDATE\\~HALVEX-PATCH\\bin\\app.exe");
  EXPECT_EQ(PatchedPathOf("UPDATE\\~HALVEX-PATCH\\bin\\app.exe"), "bin\\app.exe");
  EXPECT_EQ(PatchedPathOf("update\\~halvex-patch\\a"), "a");  // as Windows compares names
  EXPECT_EQ(PatchedPathOf("UPDATE\\~HALVEX-PATCH\\"), std::nullopt);
  EXPECT_EQ(PatchedPathOf("UPDATE\\~HALVEX-PATCHES\\a"), std::nullopt);
  EXPECT_EQ(PatchedPathOf("bin\\app.exe"), std::nullopt);
  EXPECT_TRUE(IsReservedPath("UPDATE\\~HALVEX-PATCH"));
  EXPECT_TRUE(IsReservedPath("Update\\~Halvex-Patch\\x"));
  EXPECT_FALSE(IsReservedPath("UPDATE\\~HALVEX-PATCHES"));
}

TEST(ManifestTest, AcceptsCrLfAndAMissingLastLineBreak) {
  std::string text = "halvex-release 1\r\nproduct p\r\nversion 1\r\nfrom any\r\nfile 3 " + kHashA + " a";
  const Manifest m = ParseManifest(text, "t");
  EXPECT_TRUE(m.from_any);
  EXPECT_FALSE(m.rollback);
  ASSERT_EQ(m.files.size(), 1u);
  EXPECT_EQ(m.files[0].path, "a");
}

TEST(ManifestTest, RecordRoundTripsAndIsNotAManifest) {
  const Manifest m = ParseManifest(Good(), "t");
  const std::string text = FormatRecord(RecordOf(m));
  EXPECT_EQ(text.substr(0, 19), "halvex-installed 1\n");
  const Record r = ParseRecord(text, "r");
  EXPECT_EQ(r.product, "Acme.Tool");
  EXPECT_EQ(r.files.size(), 2u);
  EXPECT_THROW(ParseManifest(text, "r"), EManifestError);
  EXPECT_THROW(ParseRecord(Good(), "m"), EManifestError);
  // A record has no transition lines.
  EXPECT_THROW(ParseRecord("halvex-installed 1\nproduct p\nversion 1\nfrom any\n", "r"), EManifestError);
}

struct BadCase {
  const char* what;
  std::string text;
  const char* cause;  // part of the message
};

class MalformedManifestTest : public testing::TestWithParam<BadCase> {};

TEST_P(MalformedManifestTest, IsRefusedWithItsCause) {
  try {
    ParseManifest(GetParam().text, "UPDATE.ZIP");
    FAIL() << "accepted";
  } catch (const EManifestError& e) {
    EXPECT_NE(e.Message().find("\"UPDATE.ZIP\" is not a valid release manifest"), std::string::npos) << e.Message();
    EXPECT_NE(e.Message().find(GetParam().cause), std::string::npos) << e.Message();
  }
}

const std::string kHead = "halvex-release 1\nproduct p\nversion 2\nfrom 1\n";
const std::string kPatchHead = "halvex-release 2\nproduct p\nversion 2\nfrom 1\n";

INSTANTIATE_TEST_SUITE_P(
    Cases, MalformedManifestTest,
    testing::Values(
        BadCase{"empty", "", "ends too early"},
        BadCase{"other header", "halvex-signature 1 ed25519ph\n", "line 1: the first line is not"},
        BadCase{"later format", "halvex-release 3\nproduct p\n", "line 1: it is of a version this program does not know"},
        BadCase{"no product", "halvex-release 1\nversion 2\n", "line 2: the product line is missing"},
        BadCase{"bad product", "halvex-release 1\nproduct a b\n", "line 2: the product id"},
        BadCase{"long product", "halvex-release 1\nproduct " + std::string(65, 'x') + "\n", "line 2: the product id"},
        BadCase{"no version", "halvex-release 1\nproduct p\nfrom any\n", "line 3: the version line is missing"},
        BadCase{"leading zero", "halvex-release 1\nproduct p\nversion 1.02\n", "line 3: \"1.02\" is not a version"},
        BadCase{"empty number", "halvex-release 1\nproduct p\nversion 1..2\n", "is not a version"},
        BadCase{"nine numbers", "halvex-release 1\nproduct p\nversion 1.2.3.4.5.6.7.8.9\n", "is not a version"},
        BadCase{"huge number", "halvex-release 1\nproduct p\nversion 1000000000\n", "is not a version"},
        BadCase{"letters", "halvex-release 1\nproduct p\nversion 1.2b\n", "is not a version"},
        BadCase{"no from", "halvex-release 1\nproduct p\nversion 2\nfile 1 " + kHashA + " a\n", "line 4: the from line is missing"},
        BadCase{"from trailing blank", "halvex-release 1\nproduct p\nversion 2\nfrom 1 \n", "line 4: \"\" is not a version"},
        BadCase{"rollback with more", kHead + "rollback yes\n", "line 5: the rollback line has more"},
        BadCase{"size with sign", kHead + "file +1 " + kHashA + " a\n", "line 5: the size is not a decimal number"},
        BadCase{"size too large", kHead + "file 9223372036854775808 " + kHashA + " a\n", "the size is not"},
        BadCase{"upper-case hash", kHead + "file 1 " + std::string(64, 'A') + " a\n", "the SHA-256 is not 64"},
        BadCase{"short hash", kHead + "file 1 " + std::string(63, 'a') + " a\n", "the SHA-256 is not 64"},
        BadCase{"no path", kHead + "file 1 " + kHashA + "\n", "the path is empty"},
        BadCase{"slash", kHead + "file 1 " + kHashA + " bin/a\n", "holds a '/'"},
        BadCase{"dot dot", kHead + "file 1 " + kHashA + " ..\\a\n", "has an empty, \".\" or \"..\" part"},
        BadCase{"absolute", kHead + "file 1 " + kHashA + " \\a\n", "has an empty"},
        BadCase{"drive", kHead + "file 1 " + kHashA + " C:a\n", "names a drive or a stream"},
        BadCase{"control char", kHead + "file 1 " + kHashA + " a\tb\n", "line 5: a control character"},
        BadCase{"lone CR", kHead + "file 1 " + kHashA + " a\rb\n", "a control character"},
        BadCase{"reserved record", kHead + "file 1 " + kHashA + " update\\release.inf\n", "keeps for itself"},
        BadCase{"reserved work", kHead + "file 1 " + kHashA + " UPDATE\\~HALVEX\\STAGE\\a\n", "keeps for itself"},
        BadCase{"twice by case", kHead + "file 1 " + kHashA + " A\nfile 1 " + kHashA + " a\n", "line 6: \"a\" is listed twice"},
        BadCase{"dropped and kept", kHead + "file 1 " + kHashA + " a\ndrop " + kHashA + " A\n", "both a file of the release and dropped"},
        BadCase{"dropped twice", kHead + "drop " + kHashA + " a\ndrop " + kHashB + " a\n", "dropped twice"},
        BadCase{"file after drop", kHead + "drop " + kHashA + " a\nfile 1 " + kHashA + " b\n", "neither a file, a patch nor a drop line"},
        BadCase{"blank line", kHead + "\n", "neither a file, a patch nor a drop line"},
        BadCase{"not utf-8", kHead + "file 1 " + kHashA + " \xFF\n", "it is not UTF-8 text"},
        BadCase{"overlong slash", kHead + "file 1 " + kHashA + " a\xC0\xAF" "b\n", "it is not UTF-8 text"},
        BadCase{"surrogate", kHead + "file 1 " + kHashA + " \xED\xA0\x80\n", "it is not UTF-8 text"},
        BadCase{"nul", kHead + std::string("file 1 ") + kHashA + " a" + std::string(1, '\0') + "\n", "a control character"},
        BadCase{"too large", kHead + std::string(kMaxTextSize, 'x'), "larger than 32 MiB"},
        // Patch lines: only under the header that announces them, each for a file of the release, once.
        BadCase{"patch under the old header", kHead + "file 1 " + kHashA + " a\npatch " + kHashB + " a\n",
                "line 6: a patch line under the header \"halvex-release 1\""},
        BadCase{"patch of no file", kPatchHead + "file 1 " + kHashA + " a\npatch " + kHashB + " b\n",
                "line 6: \"b\" is patched but is not a file of the release"},
        BadCase{"patched twice", kPatchHead + "file 1 " + kHashA + " a\npatch " + kHashB + " a\npatch " + kHashB + " A\n",
                "line 7: \"A\" is patched twice"},
        BadCase{"patch bad hash", kPatchHead + "file 1 " + kHashA + " a\npatch " + kHashB.substr(1) + " a\n",
                "the SHA-256 is not 64"},
        BadCase{"patch before files", kPatchHead + "patch " + kHashB + " a\nfile 1 " + kHashA + " a\n",
                "\"a\" is patched but is not a file"},
        BadCase{"patch after drop", kPatchHead + "file 1 " + kHashA + " a\nfile 1 " + kHashA + " c\npatch " + kHashB + " a\ndrop " + kHashA + " b\npatch " + kHashB + " c\n",
                "neither a file, a patch nor a drop line"},
        BadCase{"patches announced, none", kPatchHead + "file 1 " + kHashA + " a\n", "the header says the release has patches"},
        BadCase{"patch entry as a file", kHead + "file 1 " + kHashA + " update\\~halvex-patch\\a\n", "keeps for itself"}),
    [](const testing::TestParamInfo<BadCase>& info) {
      std::string name = info.param.what;
      for (char& c : name)
        if (!isalnum(static_cast<unsigned char>(c))) c = '_';
      return name;
    });

TEST(ManifestTest, LineCountIsBounded) {
  std::string text = kHead;
  for (size_t i = 0; i < kMaxLines; ++i) text += "file 1 " + kHashA + " f" + std::to_string(i) + "\n";
  EXPECT_THROW(ParseManifest(text, "t"), EManifestError);
}

struct VersionOrder {
  const char* a;
  const char* b;
  int order;  // sign of a <=> b
};

class VersionOrderTest : public testing::TestWithParam<VersionOrder> {};

TEST_P(VersionOrderTest, ComparesNumberByNumber) {
  const auto a = Version::Parse(GetParam().a), b = Version::Parse(GetParam().b);
  ASSERT_TRUE(a && b);
  const auto order = *a <=> *b;
  EXPECT_EQ(order < 0 ? -1 : order > 0 ? 1 : 0, GetParam().order) << GetParam().a << " vs " << GetParam().b;
}

INSTANTIATE_TEST_SUITE_P(Cases, VersionOrderTest,
                         testing::Values(VersionOrder{"1.9", "1.10", -1}, VersionOrder{"1.10", "2", -1},
                                         VersionOrder{"1.2", "1.2.0", 0}, VersionOrder{"1.2.0.1", "1.2", 1},
                                         VersionOrder{"0", "0.0.0", 0}, VersionOrder{"999999999", "1000.0", 1},
                                         VersionOrder{"3.0.0.0.0.0.0.1", "3", 1}));

// The hash of any length, given in any pieces, is libsodium's (on a machine with SHA
// instructions the blocks go through them: lengths around every block boundary and the padding's
// one- and two-block ends, and pieces that split blocks anywhere).
TEST(Sha256Test, PiecesOfEveryLengthHashAsLibsodiumDoes) {
  ASSERT_GE(sodium_init(), 0);
  std::string data(70000, '\0');
  uint32_t x = 12345;
  for (char& c : data) c = static_cast<char>((x = x * 1103515245 + 12345) >> 23);
  auto reference = [](std::string_view bytes) {
    Sha256 h{};
    crypto_hash_sha256(h.data(), reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    return h;
  };
  std::vector<size_t> lengths;
  for (size_t n = 0; n <= 200; ++n) lengths.push_back(n);
  for (size_t n : {255u, 256u, 257u, 4095u, 4096u, 65537u, 70000u}) lengths.push_back(n);
  for (size_t n : lengths) {
    SCOPED_TRACE("length " + std::to_string(n));
    const std::string_view bytes(data.data(), n);
    EXPECT_EQ(Sha256Of(bytes), reference(bytes));
    Sha256Hasher pieces;
    for (size_t at = 0, step = 1; at < n; at += step, step = step * 3 % 97 + 1)
      pieces.Update(bytes.data() + at, std::min(step, n - at));
    EXPECT_EQ(pieces.Final(), reference(bytes));
  }
}

TEST(Sha256Test, KnownValues) {
  EXPECT_EQ(HexOf(Sha256Of("")), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  EXPECT_EQ(HexOf(Sha256Of("abc")), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  EXPECT_FALSE(ParseSha256("g" + std::string(63, '0')));
}

}  // namespace
}  // namespace release
