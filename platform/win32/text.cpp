#include "platform/text.h"

#include <windows.h>

namespace platform {

namespace {
unsigned g_oem = 0;
unsigned g_ansi = 0;
}  // namespace

unsigned OemCodePage() { return g_oem ? g_oem : ::GetOEMCP(); }
unsigned AnsiCodePage() { return g_ansi ? g_ansi : ::GetACP(); }

void OverrideCodePages(unsigned oem, unsigned ansi) {
  g_oem = oem;
  g_ansi = ansi;
}

std::wstring Widen(std::string_view utf8) {
  if (utf8.empty()) return {};
  const int n = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(n), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), n);
  return wide;
}

std::wstring WidePath(std::string_view utf8_path) {
  std::wstring wide = Widen(utf8_path);
  // CreateDirectory's limit (MAX_PATH - 12) is the lowest of the file functions.
  constexpr size_t kShortEnough = MAX_PATH - 12;
  if (wide.size() < kShortEnough || wide.rfind(L"\\\\?\\", 0) == 0) return wide;
  const bool drive = wide.size() > 2 && wide[1] == L':' && wide[2] == L'\\';
  const bool unc = wide.rfind(L"\\\\", 0) == 0;
  if (!drive && !unc) return wide;
  // The prefix turns off the system's own clean-up of "." and ".." parts: do it first.
  const DWORD n = ::GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (n == 0) return wide;
  std::wstring full(n, L'\0');
  const DWORD m = ::GetFullPathNameW(wide.c_str(), n, full.data(), nullptr);
  if (m == 0 || m >= n) return wide;
  full.resize(m);
  if (full.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + full.substr(2);
  return L"\\\\?\\" + full;
}

std::string Narrow(std::wstring_view wide) {
  if (wide.empty()) return {};
  const int n = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                      nullptr, nullptr);
  std::string utf8(static_cast<size_t>(n), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(), n, nullptr,
                        nullptr);
  return utf8;
}

std::string CodePageToUtf8(std::string_view bytes, unsigned code_page) {
  if (bytes.empty() || code_page == CP_UTF8) return std::string(bytes);
  const int n = ::MultiByteToWideChar(code_page, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(n), L'\0');
  ::MultiByteToWideChar(code_page, 0, bytes.data(), static_cast<int>(bytes.size()), wide.data(), n);
  return Narrow(wide);
}

std::string Utf8ToCodePage(std::string_view text, unsigned code_page) {
  if (text.empty() || code_page == CP_UTF8) return std::string(text);
  const std::wstring wide = Widen(text);
  const int n = ::WideCharToMultiByte(code_page, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                      nullptr, nullptr);
  std::string bytes(static_cast<size_t>(n), '\0');
  ::WideCharToMultiByte(code_page, 0, wide.data(), static_cast<int>(wide.size()), bytes.data(), n, nullptr,
                        nullptr);
  return bytes;
}

bool SameTextIgnoreCase(std::string_view a, std::string_view b) {
  const std::wstring wa = Widen(a), wb = Widen(b);
  return ::CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, wa.data(), static_cast<int>(wa.size()),
                          wb.data(), static_cast<int>(wb.size())) == CSTR_EQUAL;
}

}  // namespace platform

namespace platform {

std::string NameCaseKey(std::string_view text) {
  const std::wstring wide = Widen(text);
  if (wide.empty()) return {};
  // The invariant locale's mapping is the one NTFS's name comparison follows.
  std::wstring upper(wide.size(), L'\0');
  const int n = ::LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, wide.c_str(), static_cast<int>(wide.size()),
                                upper.data(), static_cast<int>(upper.size()), nullptr, nullptr, 0);
  if (n <= 0) return std::string(text);
  upper.resize(static_cast<size_t>(n));
  return Narrow(upper);
}

}  // namespace platform
