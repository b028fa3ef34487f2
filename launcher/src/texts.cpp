#include "launcher/texts.h"

#include <array>
#include <atomic>
#include <iterator>

namespace launcher {

namespace {

struct Row {
  Text key;
  const char* korean;
  const char* english;
};

// One row a text, in the order of the enumeration. The Korean
// texts are the window's design texts; the design writes the file label in English.
constexpr Row kRows[] = {
    {Text::kCorpCaption, " Halvex Auto Update", " Halvex Auto Update"},
    {Text::kContactAdministrator, " 자동으로 업데이트가 되지 않으면 관리자에게 연락 바랍니다.",
     " If the update does not run by itself, please contact your administrator."},
    {Text::kPleaseWait, "잠시만 기다려주세요..  - ", "Please wait..  - "},
    {Text::kExtractingFile, "Extract Files.. ", "Extract Files.. "},
    {Text::kExtracting, "압축 푸는중.. - ", "Extracting.. - "},
    {Text::kWaitingForProgram, "프로그램 종료 대기중.. ", "Waiting for the program to close.. "},
    {Text::kWaitingForHolders, "파일 사용중인 프로그램 종료 대기중.. ",
     "Waiting for the programs using the files to close.. "},
    {Text::kWaitingForFile, "사용중인 파일 대기중.. ", "Waiting for a file in use.. "},
    {Text::kNotApplied, "업데이트가 적용되지 않았으며 프로그램은 바뀌지 않았습니다: ",
     "The update was not applied and the application is unchanged: "},
    {Text::kNotRestored,
     "업데이트가 적용되지 않았으며 프로그램을 완전히 되돌리지 못했습니다. 다음 실행 때 마저 되돌립니다: ",
     "The update was not applied and the application could not be restored completely; the launcher "
     "finishes that at its next start: "},
    {Text::kUnsignedPerMachine,
     "프로그램 폴더는 관리자 권한으로만 바꿀 수 있는데, 서명되지 않은 업데이트는 모든 사용자용 설치에 적용하지 "
     "않습니다 (설명 파일 VER_INFO.INF에 PUBLIC_KEY가 없습니다).",
     "the application's folder can only be changed with administrator rights, and an unsigned update of a "
     "per-machine install is not applied (its description file VER_INFO.INF names no PUBLIC_KEY)."},
    {Text::kElevationDeclined, "업데이트에 필요한 관리자 권한이 허락되지 않았습니다.",
     "the administrator rights the update needs were not given."},
};
constexpr bool RowsInOrder() {
  for (size_t i = 0; i < std::size(kRows); ++i)
    if (static_cast<size_t>(kRows[i].key) != i) return false;
  return true;
}
static_assert(std::size(kRows) == static_cast<size_t>(Text::kCount), "one row for every text");
// A row out of place would give one meaning another's text.
static_assert(RowsInOrder(), "rows in the order of the enumeration");

using Table = std::array<std::string, static_cast<size_t>(Text::kCount)>;

struct Tables {
  Table korean, english;
  Tables() {
    for (size_t i = 0; i < std::size(kRows); ++i) {
      korean[i] = kRows[i].korean;
      english[i] = kRows[i].english;
    }
  }
};

const Tables& AllTables() {
  static const Tables tables;
  return tables;
}

std::atomic<Language> current_language{Language::kKorean};

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    const char x = (a[i] >= 'A' && a[i] <= 'Z') ? static_cast<char>(a[i] - 'A' + 'a') : a[i];
    if (x != b[i]) return false;
  }
  return true;
}

}  // namespace

Language ParseLanguage(std::string_view value) {
  return EqualsIgnoringCase(value, "en") ? Language::kEnglish : Language::kKorean;
}

const char* LanguageCode(Language language) { return language == Language::kEnglish ? "en" : "ko"; }

const std::string& TextOf(Text key, Language language) {
  const Tables& t = AllTables();
  const Table& table = language == Language::kEnglish ? t.english : t.korean;
  const size_t i = static_cast<size_t>(key);
  static const std::string none;
  return i < table.size() ? table[i] : none;
}

Language CurrentLanguage() { return current_language.load(); }
void SetCurrentLanguage(Language language) { current_language.store(language); }

}  // namespace launcher
