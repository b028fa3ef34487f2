#include <string>

#include "skin/text_layout.h"

namespace skin {

void Utf8PopBack(std::string& text) {
  if (text.empty()) return;
  size_t start = text.size() - 1;
  // Walk back over at most three continuation bytes to the lead byte of the last sequence.
  size_t steps = 0;
  while (start > 0 && steps < 3 && (static_cast<unsigned char>(text[start]) & 0xC0) == 0x80) {
    --start;
    ++steps;
  }
  const auto lead = static_cast<unsigned char>(text[start]);
  size_t length = 1;
  if (lead >= 0xF0)
    length = 4;
  else if (lead >= 0xE0)
    length = 3;
  else if (lead >= 0xC0)
    length = 2;
  // A lead byte whose sequence does not reach the end is not the last character's start.
  if ((lead & 0xC0) != 0xC0 || start + length != text.size()) start = text.size() - 1;
  text.erase(start);
}

std::string FitTextToWidth(std::string_view text, int width, const std::function<int(std::string_view)>& measure) {
  std::string result(text);
  if (measure(result) <= width) return result;
  while (!result.empty()) {
    Utf8PopBack(result);
    if (result.empty() || measure(result + "...") <= width) break;
  }
  return result + "...";
}

Rect TextLineRect(const Rect& rect, std::string_view text, int font_height, bool w_rule) {
  Rect r = rect;
  if (w_rule && !text.empty() && text[0] == 'W') r.Right += 2;
  if (font_height % 2 != 0) r.Top -= 1;
  return r;
}

}  // namespace skin
