// halvex-skin preview: the launcher's window exists only in the Windows build.
#include <cstdio>

int RunPreview(int, char**) {
  std::fputs("halvex-skin: preview renders the launcher's window and needs the Windows build (halvex-skin.exe)\n",
             stderr);
  return 1;
}
