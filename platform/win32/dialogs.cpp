#include "platform/dialogs.h"

#include <windows.h>
#include <commdlg.h>
#include <objbase.h>
#include <shlobj.h>

#include <vector>

#include "platform/text.h"

namespace platform {

std::optional<std::string> ChooseOpenFile(const std::string& title, const std::string& filter,
                                          const std::string& initial_folder) {
  // The dialog wants its filter as NUL-separated pairs ending in two NULs.
  std::wstring filter_w = Widen(filter);
  for (wchar_t& c : filter_w)
    if (c == L'|') c = L'\0';
  filter_w.append(2, L'\0');
  const std::wstring title_w = Widen(title), folder_w = Widen(initial_folder);
  std::vector<wchar_t> file(32768, L'\0');
  OPENFILENAMEW ofn = {};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = ::GetActiveWindow();
  ofn.lpstrFilter = filter_w.c_str();
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = file.data();
  ofn.nMaxFile = static_cast<DWORD>(file.size());
  ofn.lpstrInitialDir = folder_w.c_str();
  ofn.lpstrTitle = title_w.c_str();
  ofn.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
  if (!::GetOpenFileNameW(&ofn)) return std::nullopt;
  return Narrow(file.data());
}

namespace {
int CALLBACK SelectStart(HWND dialog, UINT msg, LPARAM, LPARAM data) {
  if (msg == BFFM_INITIALIZED) ::SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, data);
  return 0;
}
}  // namespace

std::optional<std::string> ChooseFolder(const std::string& start_folder) {
  // The folder dialog is built on COM; an apartment already entered by the caller is kept.
  const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  const std::wstring start = Widen(start_folder);
  BROWSEINFOW info = {};
  info.hwndOwner = ::GetActiveWindow();
  info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
  info.lpfn = SelectStart;
  info.lParam = reinterpret_cast<LPARAM>(start.c_str());
  std::optional<std::string> chosen;
  if (PIDLIST_ABSOLUTE item = ::SHBrowseForFolderW(&info)) {
    std::vector<wchar_t> path(32768, L'\0');
    if (::SHGetPathFromIDListEx(item, path.data(), static_cast<DWORD>(path.size()), GPFIDL_DEFAULT))
      chosen = Narrow(path.data());
    ::CoTaskMemFree(item);
  }
  if (SUCCEEDED(com)) ::CoUninitialize();
  return chosen;
}

}  // namespace platform
