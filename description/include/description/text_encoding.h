// The encodings of the small NAME=value text files beside an application (the description file
// the vendor writes, the result file the launcher writes back), told from the file's own bytes.
// Inside the program their text is UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace description {

enum class TextEncoding {
  kAnsi,     // the system's ANSI code page; a file of ASCII only counts as this
  kUtf8,     // UTF-8 without a byte-order mark
  kUtf8Bom,  // UTF-8 after EF BB BF
  kUtf16Le,  // UTF-16 after FF FE
  kUtf16Be,  // UTF-16 after FE FF
};

// "ANSI", "UTF-8", "UTF-8 with BOM", "UTF-16LE", "UTF-16BE" (for the log).
const char* EncodingName(TextEncoding encoding);

struct DecodedText {
  std::string text;  // UTF-8, the byte-order mark left out
  TextEncoding encoding = TextEncoding::kAnsi;
};

// A UTF-8 or UTF-16 byte-order mark says what follows; without one the bytes are UTF-8 when they
// are valid UTF-8, and text in the system ANSI code page otherwise. A NUL (byte, or code unit in
// UTF-16) ends the text. Bytes that are not valid in the encoding a mark announced, an unpaired
// surrogate and an odd last byte of UTF-16 become U+FFFD. ANSI text is converted piece by piece
// between its line breaks, so that a broken double-byte character never swallows a break.
DecodedText DecodeText(std::string_view bytes);

// `text` (UTF-8) as the bytes of a file in `encoding`, with its byte-order mark where it has one.
// Characters the ANSI code page lacks become what the system makes of them: see EncodingToWrite.
std::string EncodeText(std::string_view text, TextEncoding encoding);

// Whether every character of `text` survives the trip through the system's ANSI code page.
bool FitsAnsiCodePage(std::string_view text);

// The encoding a file answering one read in `read` is written in: the same one, except that ANSI
// gives way to UTF-8 with a byte-order mark when the text does not fit the ANSI code page.
TextEncoding EncodingToWrite(TextEncoding read, std::string_view text);

// Strict UTF-8 (no overlong forms, no surrogates, nothing above U+10FFFF), the same on every
// system.
bool IsStrictUtf8(std::string_view bytes);

}  // namespace description
