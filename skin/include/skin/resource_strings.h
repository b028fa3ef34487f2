// The table of the skin engine's user-visible words: lines "KEY=text", looked up by key.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/name_value_list.h"
#include "skin/free_notifier.h"

namespace skin {

// The platform's default character set (DEFAULT_CHARSET).
inline constexpr int kDefaultCharSet = 1;

class TbsResourceStrData : public FreeNotifier {
 public:
  // Starts with the 131 default lines.
  TbsResourceStrData();

  const platform::NameValueList& ResStrings() const { return res_strings_; }
  // Replaces the whole list.
  void SetResStrings(const std::vector<std::string>& lines);
  void SetResStrings(const platform::NameValueList& lines) { res_strings_ = lines; }

  // The text after the first '=' of the first line whose name equals the key, ignoring case;
  // empty when no line has it (there is no fallback to the defaults).
  std::string GetResStr(std::string_view key) const { return res_strings_.Value(key); }

  int CharSet = kDefaultCharSet;

  static const std::vector<std::string>& DefaultLines();

 private:
  platform::NameValueList res_strings_;
};

// The launcher window's table: the defaults with the Korean system-menu captions, close hint and
// message-button words.
const std::vector<std::string>& MainWindowResStrings();

}  // namespace skin
