// Text conversion. Inside the program text is UTF-8; bytes from outside are converted once, where
// they enter.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// Code pages of the system (Windows: GetOEMCP/GetACP; POSIX: 437 and 1252 unless overridden).
unsigned OemCodePage();
unsigned AnsiCodePage();
// For tests of the POSIX build: pretend to be a system with these code pages (0 restores).
void OverrideCodePages(unsigned oem, unsigned ansi);

std::string CodePageToUtf8(std::string_view bytes, unsigned code_page);
std::string Utf8ToCodePage(std::string_view text, unsigned code_page);
inline std::string OemToUtf8(std::string_view bytes) { return CodePageToUtf8(bytes, OemCodePage()); }
inline std::string AnsiToUtf8(std::string_view bytes) { return CodePageToUtf8(bytes, AnsiCodePage()); }

// Case-insensitive equality in the user's locale (CompareString with NORM_IGNORECASE).
bool SameTextIgnoreCase(std::string_view a, std::string_view b);

// Whether `text` is UTF-8, strictly and the same on every system: no overlong forms, no
// surrogates, nothing past U+10FFFF.
bool IsValidUtf8(std::string_view text);

// The text with every letter in upper case as the file system folds names (Windows: the
// invariant locale's upper-case mapping), so that two names compare equal exactly when their
// keys are equal.
std::string NameCaseKey(std::string_view text);

#ifdef _WIN32
std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view wide);
// A path for the W file functions: long absolute paths get the extended-length prefix (\\?\ or
// \\?\UNC\), so that paths beyond MAX_PATH work; others are passed as they are.
std::wstring WidePath(std::string_view utf8_path);
#endif

}  // namespace platform
