#include "platform/text.h"

#include <iconv.h>

#include <cerrno>
#include <cstring>
#include <cwctype>
#include <locale.h>
#include <wctype.h>
#include <string>

namespace platform {

namespace {
unsigned g_oem = 0;
unsigned g_ansi = 0;

std::string IconvName(unsigned code_page) {
  switch (code_page) {
    case 65001: return "UTF-8";
    case 949: return "CP949";
    case 932: return "CP932";
    case 936: return "GBK";
    case 950: return "BIG5";
    default: return "CP" + std::to_string(code_page);
  }
}

std::string Convert(std::string_view bytes, const std::string& from, const std::string& to) {
  if (bytes.empty()) return {};
  iconv_t cd = ::iconv_open(to.c_str(), from.c_str());
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(bytes);
  std::string out;
  out.resize(bytes.size() * 4 + 16);
  char* in_ptr = const_cast<char*>(bytes.data());
  size_t in_left = bytes.size();
  char* out_ptr = out.data();
  size_t out_left = out.size();
  while (in_left > 0) {
    if (::iconv(cd, &in_ptr, &in_left, &out_ptr, &out_left) == static_cast<size_t>(-1)) {
      if (errno == E2BIG) {
        const size_t used = static_cast<size_t>(out_ptr - out.data());
        out.resize(out.size() * 2);
        out_ptr = out.data() + used;
        out_left = out.size() - used;
        continue;
      }
      // A byte the code page does not define: keep a replacement and go on.
      if (out_left < 3) {
        const size_t used = static_cast<size_t>(out_ptr - out.data());
        out.resize(out.size() * 2);
        out_ptr = out.data() + used;
        out_left = out.size() - used;
      }
      if (to == "UTF-8") {
        std::memcpy(out_ptr, "\xEF\xBF\xBD", 3);
        out_ptr += 3;
        out_left -= 3;
      } else {
        *out_ptr++ = '?';
        --out_left;
      }
      ++in_ptr;
      --in_left;
    }
  }
  ::iconv_close(cd);
  out.resize(static_cast<size_t>(out_ptr - out.data()));
  return out;
}

// Decodes one UTF-8 sequence; invalid bytes come back as themselves.
char32_t NextCodePoint(std::string_view s, size_t& i) {
  const auto c = static_cast<unsigned char>(s[i]);
  int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
  if (i + static_cast<size_t>(extra) >= s.size() + (extra ? 0 : 1)) extra = 0;
  char32_t cp = extra == 0 ? c : extra == 1 ? (c & 0x1F) : extra == 2 ? (c & 0x0F) : (c & 0x07);
  ++i;
  for (int k = 0; k < extra && i < s.size(); ++k, ++i) cp = (cp << 6) | (static_cast<unsigned char>(s[i]) & 0x3F);
  return cp;
}
}  // namespace

unsigned OemCodePage() { return g_oem ? g_oem : 437; }
unsigned AnsiCodePage() { return g_ansi ? g_ansi : 1252; }

void OverrideCodePages(unsigned oem, unsigned ansi) {
  g_oem = oem;
  g_ansi = ansi;
}

std::string CodePageToUtf8(std::string_view bytes, unsigned code_page) {
  if (code_page == 65001) return std::string(bytes);
  bool ascii = true;
  for (char c : bytes)
    if (static_cast<unsigned char>(c) >= 0x80) { ascii = false; break; }
  if (ascii) return std::string(bytes);
  return Convert(bytes, IconvName(code_page), "UTF-8");
}

std::string Utf8ToCodePage(std::string_view text, unsigned code_page) {
  if (code_page == 65001) return std::string(text);
  return Convert(text, "UTF-8", IconvName(code_page));
}

bool SameTextIgnoreCase(std::string_view a, std::string_view b) {
  size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    const char32_t x = NextCodePoint(a, i);
    const char32_t y = NextCodePoint(b, j);
    if (x != y && std::towlower(static_cast<wint_t>(x)) != std::towlower(static_cast<wint_t>(y))) return false;
  }
  return i == a.size() && j == b.size();
}

}  // namespace platform

namespace platform {

std::string NameCaseKey(std::string_view text) {
  // The C locale folds only ASCII; C.UTF-8 knows every letter.
  static const locale_t utf8 = ::newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
  std::string key;
  key.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    char32_t cp = NextCodePoint(text, i);
    if (cp < 0x80) {
      if (cp >= 'a' && cp <= 'z') cp -= 32;
    } else if (utf8) {
      cp = static_cast<char32_t>(::towupper_l(static_cast<wint_t>(cp), utf8));
    }
    if (cp < 0x80) {
      key += static_cast<char>(cp);
    } else if (cp < 0x800) {
      key += static_cast<char>(0xC0 | (cp >> 6));
      key += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      key += static_cast<char>(0xE0 | (cp >> 12));
      key += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      key += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      key += static_cast<char>(0xF0 | (cp >> 18));
      key += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
      key += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      key += static_cast<char>(0x80 | (cp & 0x3F));
    }
  }
  return key;
}

}  // namespace platform
