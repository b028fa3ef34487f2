// The texts the launcher shows its user: the window's labels, the waits and the error boxes, one
// table per language, keyed by what a text means. The description file's LANGUAGE value picks the
// table ("ko", the default, or "en"); every text a user sees is looked up here, never written
// where it is shown. What a text is followed by (a file or program name, the cause of a failure
// as the engine words it) is added by the caller and not translated.
#pragma once

#include <string>
#include <string_view>

namespace launcher {

enum class Language { kKorean, kEnglish };

enum class Text {
  kCorpCaption,          // the left status panel before the description file names the product
  kContactAdministrator, // the right status panel: whom to ask when the update does not run
  kPleaseWait,           // the gauge before the first progress
  kExtractingFile,       // the label before the path of the file being written
  kExtracting,           // the gauge while the archive is extracted
  kWaitingForProgram,    // the label before the name of the application still running
  kWaitingForHolders,    // the label before the names of programs holding files open
  kWaitingForFile,       // the label before a file held by another program, tried again
  kNotApplied,           // the error box: the update failed and everything was put back
  kNotRestored,          // the error box: the update failed and could not be undone completely
  kUnsignedPerMachine,   // the error box: an unsigned update of a folder only administrators can write
  kElevationDeclined,    // the error box: administrator rights were asked for and not given
  kCount
};

// The value of LANGUAGE: "ko" or "en", compared without regard to case; anything else, an empty
// value included, is Korean.
Language ParseLanguage(std::string_view value);
// The code LANGUAGE takes for a language ("ko", "en").
const char* LanguageCode(Language language);

// The text of `key` in `language` (UTF-8).
const std::string& TextOf(Text key, Language language);

// The language of this run's window, chosen once from the description file; Korean until then.
Language CurrentLanguage();
void SetCurrentLanguage(Language language);
// The text of `key` in the run's language.
inline const std::string& TextOf(Text key) { return TextOf(key, CurrentLanguage()); }

}  // namespace launcher
