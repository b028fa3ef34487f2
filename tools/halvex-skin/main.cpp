// halvex-skin: packs, unpacks, describes and lists skin packages.
//
//   halvex-skin pack SKIN.ini OUT.skn   pack an INI file and the BMP files it names
//   halvex-skin unpack IN.skn DIR       write the BMP files and skin.ini back into DIR
//   halvex-skin info IN.skn             versions, pictures, sections with class words, bad keys
//   halvex-skin list                    the skins built into the program
//   halvex-skin bench [ROUNDS]          time of a skin switch against inflating alone
//   halvex-skin preview SKIN.skn OUT.png [PERCENT]  the launcher's window in that skin (Windows build)
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/dll_search.h"
#include "platform/exceptions.h"
#include "platform/fs.h"
#include "platform/stream.h"
#include "skin/bmp_file.h"
#include "skin/builtin_skins.h"
#include "skin/skin_info.h"
#include "skin/skin_package.h"

int RunSkinSwitchBench(int argc, char** argv);
int RunPreview(int argc, char** argv);

namespace {

using namespace skin;

int Usage() {
  std::fputs(
      "usage: halvex-skin pack SKIN.ini OUT.skn\n"
      "       halvex-skin unpack IN.skn DIR\n"
      "       halvex-skin info IN.skn\n"
      "       halvex-skin list\n"
      "       halvex-skin preview SKIN.skn OUT.png [PERCENT]\n",
      stderr);
  return 2;
}

SkinContainer ReadPackageFile(const std::string& path) {
  TbsCompressedStoredSkin stored;
  stored.LoadFromCompressedFile(path);
  if (stored.IsEmpty()) throw platform::Exception("\"" + path + "\" holds no skin package (empty, or version above 3)");
  platform::MemoryStream plain;
  stored.DecompressTo(plain);
  plain.SetPosition(0);
  return ReadSkinContainer(plain);
}

int Pack(const std::string& ini, const std::string& out) {
  TbsCompressedStoredSkin stored;
  if (!stored.LoadFromSkinFile(ini)) {
    std::fprintf(stderr,
                 "halvex-skin: %s lacks one of the sections VERSION, PICTURES, FORMINFO, SKINOBJECTS, "
                 "SKINCONTROLS\n",
                 ini.c_str());
    return 1;
  }
  stored.SaveToCompressedFile(out);
  std::printf("%s: %zu bytes\n", out.c_str(), stored.CompressedBytes().size() + 8);
  return 0;
}

int Unpack(const std::string& in, const std::string& dir) {
  const SkinContainer c = ReadPackageFile(in);
  if (c.version > kSkinPackageVersion) {
    std::fprintf(stderr, "halvex-skin: container version %d is not supported\n", c.version);
    return 1;
  }
  WriteSkinFolder(c, dir);
  std::printf("%s: %zu active pictures, INI text of %zu bytes\n", dir.c_str(), c.active_pictures.size(),
              c.ini_text.size());
  return 0;
}

int Info(const std::string& in) {
  TbsCompressedStoredSkin stored;
  stored.LoadFromCompressedFile(in);
  std::fputs(DescribePackage(stored).c_str(), stdout);
  return 0;
}

int List() {
  int index = 0;
  for (const BuiltinSkin& s : BuiltinSkins()) {
    std::printf("%2d  %-20s  %-8s  %6zu bytes  %s\n", index++, s.CompressedFileName, s.Name, s.Package.size(),
                s.Description);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  platform::RestrictDllSearchToSystem();
  try {
    if (argc == 4 && !std::strcmp(argv[1], "pack")) return Pack(argv[2], argv[3]);
    if (argc == 4 && !std::strcmp(argv[1], "unpack")) return Unpack(argv[2], argv[3]);
    if (argc == 3 && !std::strcmp(argv[1], "info")) return Info(argv[2]);
    if (argc == 2 && !std::strcmp(argv[1], "list")) return List();
    if (argc >= 2 && !std::strcmp(argv[1], "bench")) return RunSkinSwitchBench(argc - 2, argv + 2);
    if (argc >= 2 && !std::strcmp(argv[1], "preview")) return RunPreview(argc - 2, argv + 2);
    return Usage();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "halvex-skin: %s\n", e.what());
    return 1;
  }
}
