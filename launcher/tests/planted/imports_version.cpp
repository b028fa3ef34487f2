// A program that imports version.dll, which is not a KnownDLL: the import check must refuse it.
#include <windows.h>

int main() { return ::GetFileVersionInfoSizeW(L"kernel32.dll", nullptr) ? 0 : 1; }
