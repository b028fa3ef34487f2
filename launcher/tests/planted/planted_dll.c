/* A DLL an attacker would drop beside a program under the name of a system DLL that is not a
 * KnownDLL (version.dll, uxtheme.dll). Loaded into a process, it leaves "<its path>.loaded"
 * holding the program's path, and nothing else: the tests look for that file. */
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID reserved) {
  (void)reserved;
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  wchar_t path[MAX_PATH + 8];
  DWORD n = GetModuleFileNameW(self, path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return TRUE;
  lstrcatW(path, L".loaded");
  HANDLE marker = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, NULL);
  if (marker == INVALID_HANDLE_VALUE) return TRUE;
  char program[MAX_PATH * 3];
  wchar_t wide[MAX_PATH];
  DWORD m = GetModuleFileNameW(NULL, wide, MAX_PATH);
  int bytes = WideCharToMultiByte(CP_UTF8, 0, wide, (int)m, program, (int)sizeof program - 2, NULL, NULL);
  if (bytes < 0) bytes = 0;
  program[bytes++] = '\r';
  program[bytes++] = '\n';
  DWORD written;
  WriteFile(marker, program, (DWORD)bytes, &written, NULL);
  CloseHandle(marker);
  return TRUE;
}
