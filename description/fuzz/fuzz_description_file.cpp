// Description files from untrusted bytes, in every encoding: the reader must give UTF-8 lines
// without a line break in them, the strict lookup must give a value or its error, and the text
// written back in the file's own encoding must read back the same.
#include <cstddef>
#include <cstdint>
#include <string>

#include "description/description_file.h"
#include "platform/exceptions.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  description::DescriptionFile file;
  file.LoadFromBytes(std::string_view(reinterpret_cast<const char*>(data), size));
  std::string text;
  for (const std::string& line : file.Lines()) {
    if (line.find_first_of(std::string("\r\n\0", 3)) != std::string::npos) __builtin_trap();
    if (file.Encoding() != description::TextEncoding::kAnsi && !description::IsStrictUtf8(line)) __builtin_trap();
    text += line + "\r\n";
  }
  try {
    file.StrictValue("PUBLIC_KEY", "VER_INFO.INF");
  } catch (const platform::EConvertError&) {
  }
  if (file.Encoding() != description::TextEncoding::kAnsi) {
    const description::DecodedText back = description::DecodeText(description::EncodeText(text, file.Encoding()));
    if (back.text != text) __builtin_trap();
  }
  return 0;
}
