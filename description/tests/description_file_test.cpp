// The description file read the same way everywhere: its encodings, the strict reading of the key
// that decides whether an update is checked, and the encodings of the result file written back.
#include "description/description_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/exceptions.h"
#include "platform/text.h"

namespace {

namespace fs = std::filesystem;
using description::DecodeText;
using description::DescriptionFile;
using description::EncodeText;
using description::TextEncoding;

// The ANSI code page a case pretends the system has; restored when it goes.
class CodePage {
 public:
  explicit CodePage(unsigned ansi) { platform::OverrideCodePages(ansi == 949 ? 949 : 437, ansi); }
  ~CodePage() { platform::OverrideCodePages(0, 0); }
};

DescriptionFile FromBytes(std::string_view bytes) {
  DescriptionFile file;
  file.LoadFromBytes(bytes);
  return file;
}

std::string Utf16(std::u16string_view text, bool big_endian) {
  std::string bytes(big_endian ? "\xFE\xFF" : "\xFF\xFE");
  for (const char16_t u : text) {
    const char hi = static_cast<char>(u >> 8), lo = static_cast<char>(u & 0xFF);
    bytes += big_endian ? hi : lo;
    bytes += big_endian ? lo : hi;
  }
  return bytes;
}

const std::string kNote = "\xEB\x85\xB8\xED\x8A\xB8";  // 노트 in UTF-8
const std::string kNote949 = "\xB3\xEB\xC6\xAE";          // 노트 in code page 949

struct EncodingCase {
  const char* what;
  unsigned ansi;  // the system's ANSI code page
  std::string bytes;
  TextEncoding encoding;
  std::vector<std::string> lines;  // UTF-8
};

void PrintTo(const EncodingCase& c, std::ostream* os) { *os << c.what; }

class DescriptionEncoding : public testing::TestWithParam<EncodingCase> {};

TEST_P(DescriptionEncoding, GivesTheLinesAsUtf8) {
  const EncodingCase& c = GetParam();
  const CodePage code_page(c.ansi);
  const DescriptionFile file = FromBytes(c.bytes);
  EXPECT_EQ(file.Encoding(), c.encoding);
  EXPECT_EQ(file.Lines(), c.lines);
}

INSTANTIATE_TEST_SUITE_P(
    Files, DescriptionEncoding,
    testing::Values(
        EncodingCase{"ascii", 1252, "NAME=App\r\nSKININDEX=3", TextEncoding::kAnsi, {"NAME=App", "SKININDEX=3"}},
        EncodingCase{"western ansi", 1252, "NAME=Caf\xE9\r\n", TextEncoding::kAnsi, {"NAME=Caf\xC3\xA9"}},
        EncodingCase{"korean ansi", 949, "NAME=" + kNote949 + "\r\n", TextEncoding::kAnsi, {"NAME=" + kNote}},
        EncodingCase{"utf-8", 1252, "NAME=" + kNote + "\nSKININDEX=3\n", TextEncoding::kUtf8,
                     {"NAME=" + kNote, "SKININDEX=3"}},
        EncodingCase{"utf-8 with bom", 1252, "\xEF\xBB\xBFNAME=" + kNote + "\r\nSKININDEX=3",
                     TextEncoding::kUtf8Bom, {"NAME=" + kNote, "SKININDEX=3"}},
        EncodingCase{"utf-8 with bom, ascii", 949, "\xEF\xBB\xBFPUBLIC_KEY=abc", TextEncoding::kUtf8Bom,
                     {"PUBLIC_KEY=abc"}},
        EncodingCase{"utf-8 with bom, invalid bytes replaced", 1252, "\xEF\xBB\xBFNAME=a\xFF" "b",
                     TextEncoding::kUtf8Bom, {"NAME=a\xEF\xBF\xBD" "b"}},
        EncodingCase{"utf-16le", 1252, Utf16(u"NAME=노트\r\nSKININDEX=3\r\n", false), TextEncoding::kUtf16Le,
                     {"NAME=" + kNote, "SKININDEX=3"}},
        EncodingCase{"utf-16be", 1252, Utf16(u"NAME=노트\nSKININDEX=3", true), TextEncoding::kUtf16Be,
                     {"NAME=" + kNote, "SKININDEX=3"}},
        EncodingCase{"utf-16 surrogate pair", 1252, Utf16(u"NAME=\U0001F600", false), TextEncoding::kUtf16Le,
                     {"NAME=\xF0\x9F\x98\x80"}},
        EncodingCase{"utf-16 lone surrogate and odd last byte", 1252, Utf16(u"A=\xD800x", false) + "z",
                     TextEncoding::kUtf16Le, {"A=\xEF\xBF\xBDx\xEF\xBF\xBD"}},
        EncodingCase{"utf-16 nul ends the text", 1252, Utf16(std::u16string(u"A=1\r\n\0B=2", 10), false),
                     TextEncoding::kUtf16Le, {"A=1"}},
        EncodingCase{"utf-8 with bom, nul ends the text", 1252, std::string("\xEF\xBB\xBF" "A=1\n\0B=2", 11),
                     TextEncoding::kUtf8Bom, {"A=1"}},
        // Not UTF-8, so ANSI: a lone continuation byte, an overlong '/', an encoded surrogate.
        EncodingCase{"invalid utf-8 is ansi", 1252, "NAME=\xC3\x28", TextEncoding::kAnsi, {"NAME=\xC3\x83("}},
        EncodingCase{"overlong utf-8 is ansi", 1252, "A=\xC0\xAF", TextEncoding::kAnsi,
                     {"A=\xC3\x80\xC2\xAF"}},
        EncodingCase{"encoded surrogate is ansi", 1252, "A=\xED\xA0\x80", TextEncoding::kAnsi,
                     {"A=\xC3\xAD\xC2\xA0\xE2\x82\xAC"}},
        EncodingCase{"empty", 1252, "", TextEncoding::kAnsi, {}}),
    [](const testing::TestParamInfo<EncodingCase>& info) {
      std::string name = info.param.what;
      for (char& c : name)
        if (!isalnum(static_cast<unsigned char>(c))) c = '_';
      return name;
    });

TEST(DescriptionFile, ABrokenDoubleByteCharacterNeverTakesTheLineBreakWithIt) {
  const CodePage code_page(949);
  const DescriptionFile file = FromBytes("NAME=\xB3\r\nEXE_FILENAME=" + kNote949 + ".exe");
  ASSERT_EQ(file.Count(), 2);
  EXPECT_EQ(file.Lines()[0].rfind("NAME=", 0), 0u);
  EXPECT_EQ(file.Value("EXE_FILENAME"), kNote + ".exe");
}

TEST(DescriptionFile, LooksUpNamesInEveryEncoding) {
  for (const std::string& bytes : {std::string("\xEF\xBB\xBFname=" + kNote + "\r\nNAME=second"),
                                   Utf16(u"name=노트\r\nNAME=second", false)}) {
    const DescriptionFile file = FromBytes(bytes);
    EXPECT_EQ(file.Value("NAME"), kNote) << "the first line counts, whatever the case of its name";
    EXPECT_EQ(file.IndexOfName("NAME"), 0);
  }
}

struct StrictCase {
  const char* what;
  std::string bytes;
  const char* value;  // nullptr: an error containing `error`
  std::string error;
};

void PrintTo(const StrictCase& c, std::ostream* os) { *os << c.what; }

class StrictValue : public testing::TestWithParam<StrictCase> {};

TEST_P(StrictValue, ReadsTheKeyForSureOrRaises) {
  const StrictCase& c = GetParam();
  const DescriptionFile file = FromBytes(c.bytes);
  if (c.value) {
    EXPECT_EQ(file.StrictValue("PUBLIC_KEY", "C:\\App\\UPDATE\\VER_INFO.INF"), c.value);
    return;
  }
  try {
    file.StrictValue("PUBLIC_KEY", "C:\\App\\UPDATE\\VER_INFO.INF");
    ADD_FAILURE() << "no error";
  } catch (const platform::EConvertError& e) {
    EXPECT_NE(std::string(e.what()).find(c.error), std::string::npos) << e.what();
  }
}

const std::string kLookalike =
    " of \"C:\\App\\UPDATE\\VER_INFO.INF\" looks like a PUBLIC_KEY line but is not one: it must begin with "
    "PUBLIC_KEY=, with nothing before the name or between it and the =";

INSTANTIATE_TEST_SUITE_P(
    Lines, StrictValue,
    testing::Values(
        StrictCase{"exact", "NAME=App\r\nPUBLIC_KEY=abc\r\n", "abc", ""},
        StrictCase{"any case", "public_key=abc", "abc", ""},
        StrictCase{"behind a utf-8 bom", "\xEF\xBB\xBFPUBLIC_KEY=abc\r\nNAME=App", "abc", ""},
        StrictCase{"behind a utf-16 bom", Utf16(u"PUBLIC_KEY=abc", false), "abc", ""},
        StrictCase{"empty value", "PUBLIC_KEY=\r\n", "", ""},
        StrictCase{"none", "NAME=App\r\n", "", ""},
        StrictCase{"another name", "PUBLIC_KEY_OLD=abc\r\nPUBLIC_KEYS=x\r\n;PUBLIC_KEY=abc", "", ""},
        StrictCase{"the same twice", "PUBLIC_KEY=abc\r\nNAME=x\r\nPUBLIC_KEY=abc", "abc", ""},
        StrictCase{"value untrimmed", "PUBLIC_KEY=abc ", "abc ", ""},
        StrictCase{"blank before the name", "NAME=App\r\n PUBLIC_KEY=abc", nullptr, "Line 2" + kLookalike},
        StrictCase{"blank before the =", "PUBLIC_KEY =abc", nullptr, "Line 1 of"},
        StrictCase{"tab before the name", "\tPUBLIC_KEY=abc", nullptr, "looks like a PUBLIC_KEY line"},
        StrictCase{"a second bom", "NAME=App\r\n\xEF\xBB\xBFPUBLIC_KEY=abc", nullptr, "Line 2 of"},
        StrictCase{"no-break space", "\xC2\xA0PUBLIC_KEY=abc", nullptr, "looks like a PUBLIC_KEY line"},
        StrictCase{"stray ansi byte", "\xA0PUBLIC_KEY=abc", nullptr, "looks like a PUBLIC_KEY line"},
        StrictCase{"colon instead of =", "PUBLIC_KEY: abc", nullptr, "looks like a PUBLIC_KEY line"},
        StrictCase{"name alone", "PUBLIC_KEY", nullptr, "looks like a PUBLIC_KEY line"},
        StrictCase{"lookalike after the real line", "PUBLIC_KEY=abc\r\n PUBLIC_KEY=xyz", nullptr, "Line 2 of"},
        StrictCase{"two different values", "PUBLIC_KEY=abc\r\nNAME=x\r\nPUBLIC_KEY=xyz", nullptr,
                   "\"C:\\App\\UPDATE\\VER_INFO.INF\" gives PUBLIC_KEY twice with different values (lines 1 and 3)"},
        StrictCase{"empty then a key", "PUBLIC_KEY=\r\nPUBLIC_KEY=abc", nullptr, "twice with different values"}),
    [](const testing::TestParamInfo<StrictCase>& info) {
      std::string name = info.param.what;
      for (char& c : name)
        if (!isalnum(static_cast<unsigned char>(c))) c = '_';
      return name;
    });

struct WriteCase {
  const char* what;
  unsigned ansi;
  TextEncoding read;  // the description file's
  std::string text;
  TextEncoding written;
  std::string bytes;
};

TEST(ResultEncoding, FollowsTheDescriptionFileAndNeverLosesACharacter) {
  const std::string path = "ARCHIVE=C:\\" + kNote + "\\UPDATE.ZIP\r\n";
  // 노트 앱 (시험): blanks and brackets between the Korean words
  const std::string kFolder = "ARCHIVE=C:\\" + kNote + " \xEC\x95\xB1 (\xEC\x8B\x9C\xED\x97\x98)\\UPDATE.ZIP\r\n";
  const WriteCase cases[] = {
      {"ascii stays ansi", 1252, TextEncoding::kAnsi, "RESULT=applied\r\n", TextEncoding::kAnsi, "RESULT=applied\r\n"},
      {"western text in western ansi", 1252, TextEncoding::kAnsi, "ERROR=caf\xC3\xA9", TextEncoding::kAnsi,
       "ERROR=caf\xE9"},
      {"korean text in korean ansi", 949, TextEncoding::kAnsi, path, TextEncoding::kAnsi,
       "ARCHIVE=C:\\" + kNote949 + "\\UPDATE.ZIP\r\n"},
      {"korean folder in korean ansi", 949, TextEncoding::kAnsi, kFolder, TextEncoding::kAnsi,
       "ARCHIVE=C:\\\xB3\xEB\xC6\xAE \xBE\xDB (\xBD\xC3\xC7\xE8)\\UPDATE.ZIP\r\n"},
      {"korean text on a western system", 1252, TextEncoding::kAnsi, path, TextEncoding::kUtf8Bom,
       "\xEF\xBB\xBF" + path},
      {"a character korean ansi lacks", 949, TextEncoding::kAnsi, "ERROR=caf\xC3\xA9", TextEncoding::kUtf8Bom,
       "\xEF\xBB\xBF" "ERROR=caf\xC3\xA9"},
      {"utf-8", 1252, TextEncoding::kUtf8, path, TextEncoding::kUtf8, path},
      {"utf-8 with bom, ascii", 949, TextEncoding::kUtf8Bom, "A=1", TextEncoding::kUtf8Bom, "\xEF\xBB\xBF" "A=1"},
      {"utf-16le", 1252, TextEncoding::kUtf16Le, "A=" + kNote, TextEncoding::kUtf16Le, Utf16(u"A=노트", false)},
      {"utf-16be", 1252, TextEncoding::kUtf16Be, "A=\xF0\x9F\x98\x80", TextEncoding::kUtf16Be,
       Utf16(u"A=\U0001F600", true)},
  };
  for (const WriteCase& c : cases) {
    SCOPED_TRACE(c.what);
    const CodePage code_page(c.ansi);
    const TextEncoding written = description::EncodingToWrite(c.read, c.text);
    EXPECT_EQ(written, c.written);
    const std::string bytes = EncodeText(c.text, written);
    EXPECT_EQ(bytes, c.bytes);
    // What is written reads back as it was meant, encoding and all.
    const description::DecodedText back = DecodeText(bytes);
    EXPECT_EQ(back.text, c.text);
    EXPECT_EQ(back.encoding, c.written);
  }
}

class DescriptionFileOnDisk : public testing::Test {
 protected:
  void SetUp() override {
    path_ = fs::path(testing::TempDir()) /
            ("halvex_description_" + std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
  }
  void TearDown() override { fs::remove(path_); }
  void Write(const std::string& bytes) { std::ofstream(path_, std::ios::binary) << bytes; }
  fs::path path_;
};

TEST_F(DescriptionFileOnDisk, ReadsAFileAndRefusesOneTooLargeOrMissing) {
  Write("\xEF\xBB\xBFNAME=" + kNote + "\r\n");
  DescriptionFile file;
  file.LoadFromFile(path_.string());
  EXPECT_EQ(file.Value("NAME"), kNote);
  EXPECT_EQ(file.Encoding(), TextEncoding::kUtf8Bom);

  Write("NAME=App\r\n" + std::string(description::kMaxDescriptionFileSize, 'x'));
  try {
    file.LoadFromFile(path_.string());
    ADD_FAILURE() << "read";
  } catch (const platform::EReadError& e) {
    EXPECT_EQ(e.Message(), "\"" + path_.string() + "\" is larger than a description file can be (1 MiB)");
  }
  EXPECT_EQ(file.Value("NAME"), kNote) << "what was read before stays";
  Write("NAME=App\r\n" + std::string(description::kMaxDescriptionFileSize - 10, 'x'));
  file.LoadFromFile(path_.string());
  EXPECT_EQ(file.Value("NAME"), "App") << "exactly the largest size is read";

  EXPECT_THROW(file.LoadFromFile(path_.string() + ".missing"), platform::EFOpenError);
}

}  // namespace
