#include "description/text_encoding.h"

#include <cstdint>

#include "platform/text.h"

namespace description {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// The code point of the strict UTF-8 sequence at `i`, and its length in `length`; 0 for a byte
// that begins no valid sequence.
char32_t DecodeUtf8At(std::string_view s, size_t i, size_t& length) {
  length = 0;
  const auto byte = [&](size_t k) { return static_cast<unsigned char>(s[i + k]); };
  const unsigned char c = byte(0);
  if (c < 0x80) {
    length = 1;
    return c;
  }
  size_t n;
  char32_t cp, min;
  if (c >= 0xC2 && c <= 0xDF) n = 2, cp = c & 0x1F, min = 0x80;
  else if (c >= 0xE0 && c <= 0xEF) n = 3, cp = c & 0x0F, min = 0x800;
  else if (c >= 0xF0 && c <= 0xF4) n = 4, cp = c & 0x07, min = 0x10000;
  else return 0;
  if (i + n > s.size()) return 0;
  for (size_t k = 1; k < n; ++k) {
    if ((byte(k) & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (byte(k) & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  length = n;
  return cp;
}

// UTF-8 with every invalid byte replaced by U+FFFD.
std::string CleanUtf8(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  size_t i = 0;
  while (i < s.size()) {
    size_t length;
    const char32_t cp = DecodeUtf8At(s, i, length);
    if (length == 0) {
      AppendUtf8(out, kReplacement);
      ++i;
    } else {
      AppendUtf8(out, cp);
      i += length;
    }
  }
  return out;
}

std::string DecodeUtf16(std::string_view bytes, bool big_endian) {
  std::string out;
  out.reserve(bytes.size());
  const size_t units = bytes.size() / 2;
  const auto unit = [&](size_t k) -> char32_t {
    const auto a = static_cast<unsigned char>(bytes[2 * k]), b = static_cast<unsigned char>(bytes[2 * k + 1]);
    return big_endian ? (a << 8 | b) : (b << 8 | a);
  };
  for (size_t k = 0; k < units; ++k) {
    const char32_t u = unit(k);
    if (u == 0) return out;
    if (u >= 0xD800 && u <= 0xDBFF && k + 1 < units && unit(k + 1) >= 0xDC00 && unit(k + 1) <= 0xDFFF) {
      AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (unit(k + 1) - 0xDC00));
      ++k;
    } else {
      AppendUtf8(out, u >= 0xD800 && u <= 0xDFFF ? kReplacement : u);
    }
  }
  if (bytes.size() % 2 != 0) AppendUtf8(out, kReplacement);
  return out;
}

std::string EncodeUtf16(std::string_view text, bool big_endian) {
  std::string out(big_endian ? "\xFE\xFF" : "\xFF\xFE");
  const std::string clean = CleanUtf8(text);
  const auto put = [&](char32_t u) {
    const char hi = static_cast<char>(u >> 8), lo = static_cast<char>(u & 0xFF);
    out += big_endian ? hi : lo;
    out += big_endian ? lo : hi;
  };
  size_t i = 0;
  while (i < clean.size()) {
    size_t length;
    const char32_t cp = DecodeUtf8At(clean, i, length);
    i += length;
    if (cp >= 0x10000) {
      put(0xD800 + ((cp - 0x10000) >> 10));
      put(0xDC00 + ((cp - 0x10000) & 0x3FF));
    } else {
      put(cp);
    }
  }
  return out;
}

// ANSI bytes to UTF-8, each stretch between line-break bytes on its own.
std::string AnsiLinesToUtf8(std::string_view bytes) {
  std::string out;
  size_t start = 0;
  while (start <= bytes.size()) {
    size_t end = bytes.find_first_of("\r\n", start);
    if (end == std::string_view::npos) end = bytes.size();
    out += platform::AnsiToUtf8(bytes.substr(start, end - start));
    if (end == bytes.size()) break;
    out += bytes[end];
    start = end + 1;
  }
  return out;
}

std::string_view UpToNul(std::string_view bytes) { return bytes.substr(0, bytes.find('\0')); }

}  // namespace

const char* EncodingName(TextEncoding encoding) {
  switch (encoding) {
    case TextEncoding::kAnsi: break;
    case TextEncoding::kUtf8: return "UTF-8";
    case TextEncoding::kUtf8Bom: return "UTF-8 with BOM";
    case TextEncoding::kUtf16Le: return "UTF-16LE";
    case TextEncoding::kUtf16Be: return "UTF-16BE";
  }
  return "ANSI";
}

bool IsStrictUtf8(std::string_view bytes) {
  size_t i = 0;
  while (i < bytes.size()) {
    size_t length;
    DecodeUtf8At(bytes, i, length);
    if (length == 0) return false;
    i += length;
  }
  return true;
}

DecodedText DecodeText(std::string_view bytes) {
  if (bytes.starts_with("\xEF\xBB\xBF"))
    return {CleanUtf8(UpToNul(bytes.substr(3))), TextEncoding::kUtf8Bom};
  if (bytes.starts_with("\xFF\xFE")) return {DecodeUtf16(bytes.substr(2), false), TextEncoding::kUtf16Le};
  if (bytes.starts_with("\xFE\xFF")) return {DecodeUtf16(bytes.substr(2), true), TextEncoding::kUtf16Be};
  const std::string_view text = UpToNul(bytes);
  bool ascii = true;
  for (const char c : text) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
  if (ascii) return {std::string(text), TextEncoding::kAnsi};
  if (IsStrictUtf8(text)) return {std::string(text), TextEncoding::kUtf8};
  return {AnsiLinesToUtf8(text), TextEncoding::kAnsi};
}

std::string EncodeText(std::string_view text, TextEncoding encoding) {
  switch (encoding) {
    case TextEncoding::kAnsi: break;
    case TextEncoding::kUtf8: return CleanUtf8(text);
    case TextEncoding::kUtf8Bom: return "\xEF\xBB\xBF" + CleanUtf8(text);
    case TextEncoding::kUtf16Le: return EncodeUtf16(text, false);
    case TextEncoding::kUtf16Be: return EncodeUtf16(text, true);
  }
  return platform::Utf8ToCodePage(text, platform::AnsiCodePage());
}

bool FitsAnsiCodePage(std::string_view text) {
  const unsigned ansi = platform::AnsiCodePage();
  return platform::CodePageToUtf8(platform::Utf8ToCodePage(text, ansi), ansi) == text;
}

TextEncoding EncodingToWrite(TextEncoding read, std::string_view text) {
  if (read != TextEncoding::kAnsi || FitsAnsiCodePage(text)) return read;
  return TextEncoding::kUtf8Bom;
}

}  // namespace description
