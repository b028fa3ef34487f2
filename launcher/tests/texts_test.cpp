#include "launcher/texts.h"

#include <gtest/gtest.h>

#include <string>

#include "hangul.h"

namespace {

using launcher::Language;
using launcher::Text;
using launcher::TextOf;
using launcher_test::HasHangul;

TEST(Texts, EveryTextExistsInBothLanguagesAndEnglishHasNoKorean) {
  for (int i = 0; i < static_cast<int>(Text::kCount); ++i) {
    const auto key = static_cast<Text>(i);
    const std::string& korean = TextOf(key, Language::kKorean);
    const std::string& english = TextOf(key, Language::kEnglish);
    EXPECT_FALSE(korean.empty()) << "text " << i;
    EXPECT_FALSE(english.empty()) << "text " << i;
    EXPECT_FALSE(HasHangul(english)) << "text " << i << ": " << english;
  }
  EXPECT_TRUE(HasHangul(TextOf(Text::kNotApplied, Language::kKorean)));
  EXPECT_FALSE(HasHangul("Extract Files.. C:\\App\\a.dll"));
}

// The Korean table is the window's design: vendors' customers know these texts and the README
// quotes the waits.
TEST(Texts, KoreanIsTheDesignsText) {
  const std::pair<Text, const char*> design[] = {
      {Text::kContactAdministrator, " 자동으로 업데이트가 되지 않으면 관리자에게 연락 바랍니다."},
      {Text::kPleaseWait, "잠시만 기다려주세요..  - "},
      {Text::kExtractingFile, "Extract Files.. "},
      {Text::kExtracting, "압축 푸는중.. - "},
      {Text::kWaitingForProgram, "프로그램 종료 대기중.. "},
      {Text::kWaitingForHolders, "파일 사용중인 프로그램 종료 대기중.. "},
  };
  for (const auto& [key, text] : design) EXPECT_EQ(TextOf(key, Language::kKorean), text);
}

TEST(Texts, LanguageValues) {
  const std::pair<const char*, Language> cases[] = {
      {"ko", Language::kKorean}, {"en", Language::kEnglish}, {"EN", Language::kEnglish},
      {"En", Language::kEnglish}, {"", Language::kKorean},  {"en ", Language::kKorean},  // nothing trimmed
      {"english", Language::kKorean}, {"fr", Language::kKorean}, {"e", Language::kKorean},
  };
  for (const auto& [value, language] : cases) EXPECT_EQ(launcher::ParseLanguage(value), language) << value;
  EXPECT_STREQ(launcher::LanguageCode(Language::kEnglish), "en");
  EXPECT_STREQ(launcher::LanguageCode(Language::kKorean), "ko");
}

}  // namespace
